#pragma once

// The view for terminals and schedulers. On a terminal it shows the caption,
// the status text and the two progress bars, redrawn in place, each line cut
// to the terminal's width (the bars shrink first, keeping their figure) so
// that a redraw never scrolls; otherwise it prints each new status text once,
// as a plain line for a log, leaving the run's end to the last line. At the
// end it says on the error stream why the run failed (one line each: what,
// the path or address, the system's reason) and ends its output with the
// report line of "error.txt" and, on success, where the files went.

#include <cstdio>
#include <string>
#include <string_view>

#include "app/program_view.hpp"

namespace varkelo::app {

// The longest start of the UTF-8 text `line` that fills at most `columns`
// columns of a terminal (East Asian wide characters take two); all of it when
// columns is 0 (width unknown).
std::string_view CutToColumns(std::string_view line, int columns);

// A progress bar line: the label, the bar and its figure ("読み込み [##..] 50%"),
// the bar as wide as `columns` allows, up to 40 characters; 40 when columns is 0.
std::string BarLine(std::string_view label, int percent, int columns);

class ConsoleView : public ProgramView {
 public:
  // `out` takes the run's progress and its outcome, `errors` its reasons.
  ConsoleView(std::FILE* out, std::FILE* errors, bool isTerminal);

  void ShowStatus(const run::RunStatus& status) override;
  void ShowText(std::string_view text) override;
  void ShowProgress(run::Progress bar, int percent) override;
  void Close(const run::RunResult& result) override;
  void ShowLine(std::string_view line, bool error) override;
  void End(std::string_view lastLine) override;

 private:
  void Redraw();

  std::FILE* out_;
  std::FILE* errors_;
  bool isTerminal_;
  bool drawn_ = false;
  std::string status_{run::InitialStatus};
  std::string printedStatus_;
  int download_ = 0;
  int export_ = 0;
};

}  // namespace varkelo::app
