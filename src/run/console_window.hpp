#pragma once

// The program's front end for terminals and schedulers. On a terminal it shows
// the caption, the status text and the two progress bars, redrawn in place;
// otherwise it prints each new status text once, as a plain line.

#include <cstdio>
#include <string>

#include "run/event_loop_window.hpp"

namespace varkelo::run {

class ConsoleWindow : public EventLoopWindow {
 public:
  ConsoleWindow(asio::io_context& io, std::FILE* out, bool isTerminal, WindowTiming timing = {});

  void SetStatusText(std::string_view text) override;
  void SetProgress(ProgressBar bar, int value) override;
  void LetEventsRun() override { std::fflush(out_); }

 private:
  void Redraw();

  std::FILE* out_;
  bool isTerminal_;
  bool drawn_ = false;
  std::string status_ = "「255.255.255.255」のスマートゲートウェイの読込み応答待機中";
  std::string printedStatus_;
  int comm_ = 0;
  int csv_ = 0;
};

}  // namespace varkelo::run
