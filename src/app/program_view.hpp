#pragma once

// What a program shows its run on: the console, or the status window.

#include <functional>
#include <string_view>

#include "run/run_words.hpp"
#include "run/view.hpp"

namespace varkelo::app {

class ProgramView : public run::View {
 public:
  // From now on the view passes the user's wish to close (and a stop it alone
  // hears of) to `requests`.
  virtual void ListenForCloseRequests(run::CloseRequests& /*requests*/) {}
  // A status line of the program's own, in place of a run's stage.
  virtual void ShowText(std::string_view text) = 0;
  // A line for a log (on the error stream when `error`), above what the view
  // shows in place; a window keeps no log.
  virtual void ShowLine(std::string_view /*line*/, bool /*error*/) {}
  // The end of a program that ends without one run's result (a fleet):
  // `lastLine` is its last word.
  virtual void End(std::string_view lastLine) = 0;
  // Calls `done` once the last word has been in sight long enough: at once,
  // unless the view keeps it in sight a while (a window), which a close
  // request cuts short. Never waits for a person.
  virtual void HoldLastWord(std::function<void()> done) { done(); }
  void ShowStatus(const run::RunStatus& status) override { ShowText(run::StatusText(status)); }
};

}  // namespace varkelo::app
