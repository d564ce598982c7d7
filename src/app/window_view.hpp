#pragma once

// The status window of varkelo.exe: the caption, the status text and the two
// bars 読み込み and CSV作成. Its messages are served on the run's own event
// loop: a short timer takes them from the queue, so they are served during the
// export's per-block yield as well. Closing it is a close request to the run.
// A fleet's summary stays in it for a few seconds after the fleet has ended,
// timed on the same loop: the window never waits for a person to close it.

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <functional>
#include <string_view>

// After Asio, which brings winsock2.h first.
#include <windows.h>

#include "app/program_view.hpp"

namespace varkelo::app {

class WindowView : public ProgramView {
 public:
  // How long the last word of End stays in sight.
  static constexpr std::chrono::milliseconds LastWordTime{5000};

  explicit WindowView(asio::io_context& io, std::chrono::milliseconds lastWordTime = LastWordTime);
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
  // The last word replaces the status text; the window stays.
  void End(std::string_view lastLine) override;
  // Goes after the last word's time, or at once on a close request.
  void HoldLastWord(std::function<void()> done) override;

  // The window procedure's way back to its view.
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The window moved to a display of another scale; `suggested` is its new frame.
  void OnDpiChanged(int dpi, const RECT& suggested);

 private:
  void ServeMessages();
  // A close request, or the session's end, after the last word: no need to keep it.
  void CloseAfterEnd();
  // The last word has been in sight: the window goes and `done` hears of it.
  void EndLastWord();
  void Destroy();
  // Places the controls and sets their font for the current DPI.
  void Layout();
  int Scaled(int pixels) const;

  asio::steady_timer messageTimer_;
  asio::steady_timer lastWordTimer_;
  std::chrono::milliseconds lastWordTime_;
  std::function<void()> lastWordDone_;
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
  // End has shown the last word; a close request then ends the wait for it.
  bool ended_ = false;
  bool closeRequested_ = false;
};

}  // namespace varkelo::app
