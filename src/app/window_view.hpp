#pragma once

// The status window of varkelo.exe: the caption, the status text and the two
// bars 読み込み and CSV作成. Its messages are served on the run's own event
// loop: a short timer takes them from the queue, so they are served during the
// export's per-block yield as well. Closing it is a close request to the run.

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <string_view>

// After Asio, which brings winsock2.h first.
#include <windows.h>

#include "app/program_view.hpp"

namespace varkelo::app {

class WindowView : public ProgramView {
 public:
  explicit WindowView(asio::io_context& io);
  ~WindowView() override;
  WindowView(const WindowView&) = delete;
  WindowView& operator=(const WindowView&) = delete;

  // Shows the window. False where there is no desktop to show it on; the view
  // then shows nothing and the run goes on.
  bool Open();
  // From now on closing the window, or ending the session, asks `run`.
  void ListenForCloseRequests(run::CloseRequests& run) override;

  void ShowText(std::string_view text) override;
  void ShowProgress(run::Progress bar, int percent) override;
  // The window shows no more than "error.txt" holds: it just goes.
  void Close(const run::RunResult& result) override;
  // The last word stays in the window while it goes.
  void End(std::string_view lastLine) override;

  // The window procedure's way back to its view.
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The window moved to a display of another scale; `suggested` is its new frame.
  void OnDpiChanged(int dpi, const RECT& suggested);

 private:
  void ServeMessages();
  void Destroy();
  // Places the controls and sets their font for the current DPI.
  void Layout();
  int Scaled(int pixels) const;

  asio::steady_timer messageTimer_;
  run::CloseRequests* run_ = nullptr;
  HWND window_ = nullptr;
  HWND status_ = nullptr;
  HWND downloadLabel_ = nullptr;
  HWND exportLabel_ = nullptr;
  HWND downloadBar_ = nullptr;
  HWND exportBar_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
  bool closed_ = false;
};

}  // namespace varkelo::app
