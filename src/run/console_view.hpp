#pragma once

// The view for terminals and schedulers. On a terminal it shows the caption,
// the status text and the two progress bars, redrawn in place; otherwise it
// prints each new status text once, as a plain line for a log. At the end it
// says on the error stream why the run failed (one line each: what, the path
// or address, the system's reason) and ends its output with the report line
// of "error.txt" and, on success, where the files went. The system's
// close signals (SIGINT, SIGTERM, SIGHUP; Ctrl+C and Ctrl+Break on Windows)
// are its close button: each is a close request to the run.

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>
#include <cstdio>
#include <string>

#include "run/view.hpp"

namespace varkelo::run {

// The last line of a run's output: the report line and, on success, the day
// files written and their folder.
std::string OutcomeLine(const RunResult& result);

class ConsoleView : public View {
 public:
  // `out` takes the run's progress and its outcome, `errors` its reasons.
  ConsoleView(asio::io_context& io, std::FILE* out, std::FILE* errors, bool isTerminal);

  // From now on every close signal is put to `run`, which answers at once.
  void ListenForCloseRequests(CloseRequests& run);

  void ShowStatus(std::string_view text) override;
  void ShowProgress(Progress bar, int percent) override;
  void Close(const RunResult& result) override;

 private:
  void WaitForSignal();
  void Redraw();

  asio::signal_set signals_;
  CloseRequests* run_ = nullptr;
  std::FILE* out_;
  std::FILE* errors_;
  bool isTerminal_;
  bool drawn_ = false;
  bool closed_ = false;
  std::string status_{InitialStatus};
  std::string printedStatus_;
  int download_ = 0;
  int export_ = 0;
};

}  // namespace varkelo::run
