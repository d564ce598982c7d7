#include "run/console_view.hpp"

#include <algorithm>

#include "platform/program.hpp"
#include "platform/utf8_path.hpp"
#include "run/result_report.hpp"

namespace varkelo::run {
namespace {

constexpr int BarWidth = 40;

std::string Bar(std::string_view label, int value) {
  const int filled = std::clamp(value, 0, 100) * BarWidth / 100;
  std::string line(label);
  line += " [";
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(BarWidth - filled), '.');
  line += "] " + std::to_string(value) + "%";
  return line;
}

}  // namespace

std::string OutcomeLine(const RunResult& result) {
  std::string line = ResultReportLine(result.outcome, result.gatewayAddress);
  if (result.outcome == RunOutcome::Success) {
    line += ": " + std::to_string(result.dayFiles) + (result.dayFiles == 1 ? " day file" : " day files") +
            " in " + platform::Utf8FromPath(result.gatewayFolder);
  }
  return line;
}

ConsoleView::ConsoleView(asio::io_context& io, std::FILE* out, std::FILE* errors, bool isTerminal)
    : signals_(io), out_(out), errors_(errors), isTerminal_(isTerminal) {}

void ConsoleView::ListenForCloseRequests(CloseRequests& run) {
  run_ = &run;
  std::error_code ignored;
  for (const int signal : platform::CloseSignals()) signals_.add(signal, ignored);
  WaitForSignal();
}

void ConsoleView::WaitForSignal() {
  signals_.async_wait([this](const std::error_code& error, int) {
    if (error || closed_ || run_ == nullptr) return;
    // A refused request is dropped here and now; it never waits for a better moment.
    if (run_->OnCloseRequested()) return;
    WaitForSignal();
  });
}

void ConsoleView::ShowStatus(std::string_view text) {
  if (isTerminal_) {
    if (status_ == text && drawn_) return;
    status_ = text;
    Redraw();
    return;
  }
  // A log or a scheduler gets every change of status once, as a line of its own.
  status_ = text;
  if (printedStatus_ == text) return;
  printedStatus_ = text;
  std::fprintf(out_, "%s\n", status_.c_str());
  std::fflush(out_);
}

void ConsoleView::ShowProgress(Progress bar, int percent) {
  int& shown = bar == Progress::Download ? download_ : export_;
  if (shown == percent && drawn_) return;
  shown = percent;
  if (isTerminal_) Redraw();
}

void ConsoleView::Close(const RunResult& result) {
  closed_ = true;
  std::error_code ignored;
  signals_.cancel(ignored);
  // The run is over and reported: a close signal from now until the program
  // has ended must not kill it and turn its exit status into a failure.
  platform::IgnoreCloseSignals();
  // The reasons first, so that where both streams meet (a terminal, the
  // journal) the outcome is the last line.
  std::fflush(out_);
  for (const auto* failure : {&result.reason, &result.reportFailure}) {
    if (*failure) std::fprintf(errors_, "varkelo: %s\n", (*failure)->Describe().c_str());
  }
  std::fflush(errors_);
  std::fprintf(out_, "%s\n", OutcomeLine(result).c_str());
  std::fflush(out_);
}

void ConsoleView::Redraw() {
  // Move back over the four lines drawn last time and draw them anew.
  if (drawn_) std::fputs("\x1b[4A", out_);
  drawn_ = true;
  const std::string lines[] = {std::string(Caption), status_, Bar("読み込み", download_),
                               Bar("CSV作成 ", export_)};
  for (const std::string& line : lines) std::fprintf(out_, "\r\x1b[2K%s\n", line.c_str());
  std::fflush(out_);
}

}  // namespace varkelo::run
