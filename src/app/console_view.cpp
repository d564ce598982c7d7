#include "app/console_view.hpp"

#include <algorithm>

#include "platform/process.hpp"
#include "run/run_words.hpp"
#include "util/utf8.hpp"

namespace varkelo::app {
namespace {

using run::RunStage;

constexpr int BarWidth = 40;

// Columns a terminal gives the code point: two for the East Asian wide and
// full-width ranges, one for everything else the view prints.
int ColumnsOf(char32_t c) {
  const bool wide =
      (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0xA4CF) ||
      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
      (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
  return wide ? 2 : 1;
}

int TextColumns(std::string_view line) {
  int columns = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const auto byte = static_cast<unsigned char>(line[i]);
    // Lead bytes only; every character this view labels with is ASCII or three bytes wide in UTF-8.
    if (!util::IsUtf8Continuation(byte)) columns += byte >= 0xE0 ? 2 : 1;
  }
  return columns;
}

// A status a log needs no line of: the end of the run, which its last line says.
bool EndsTheRun(RunStage stage) {
  return stage == RunStage::TimedOut || stage == RunStage::ConnectFailed ||
         stage == RunStage::ConnectionClosed || stage == RunStage::RequestNotSent;
}

}  // namespace

std::string BarLine(std::string_view label, int percent, int columns) {
  const std::string figure = "] " + std::to_string(percent) + "%";
  // The label, " [", the bar and "] 100%".
  const int room = columns - TextColumns(label) - 2 - 6;
  const int width = columns <= 0 ? BarWidth : std::clamp(room, 0, BarWidth);
  const int filled = std::clamp(percent, 0, 100) * width / 100;
  std::string line(label);
  line += " [";
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(width - filled), '.');
  return line + figure;
}

std::string_view CutToColumns(std::string_view line, int columns) {
  if (columns <= 0) return line;
  int used = 0;
  std::size_t i = 0;
  while (i < line.size()) {
    const auto lead = static_cast<unsigned char>(line[i]);
    const std::size_t length = util::Utf8SequenceLength(lead);
    if (i + length > line.size()) break;  // a character cut off already
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<unsigned char>(line[i + k]) & 0x3F);
    used += ColumnsOf(c);
    if (used > columns) break;
    i += length;
  }
  return line.substr(0, i);
}

ConsoleView::ConsoleView(std::FILE* out, std::FILE* errors, bool isTerminal)
    : out_(out), errors_(errors), isTerminal_(isTerminal) {}

void ConsoleView::ShowStatus(const run::RunStatus& status) {
  // A log or a scheduler gets no line for the end of the run, which its last
  // line says, and a silent gateway's wait every ten seconds only.
  const bool logged =
      !EndsTheRun(status.stage) && (status.stage != RunStage::Silent || status.silentFor.count() % 10 == 0);
  if (isTerminal_ || logged) ShowText(run::StatusText(status));
}

void ConsoleView::ShowText(std::string_view text) {
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

void ConsoleView::ShowProgress(run::Progress bar, int percent) {
  int& shown = bar == run::Progress::Download ? download_ : export_;
  if (shown == percent && drawn_) return;
  shown = percent;
  if (isTerminal_) Redraw();
}

void ConsoleView::Close(const run::RunResult& result) {
  // The reasons first, so that where both streams meet (a terminal, the
  // journal) the outcome is the last line.
  std::fflush(out_);
  for (const auto* failure : {&result.reason, &result.reportFailure}) {
    if (*failure) std::fprintf(errors_, "varkelo: %s\n", (*failure)->Describe().c_str());
  }
  std::fflush(errors_);
  std::fprintf(out_, "%s\n", run::OutcomeLine(result).c_str());
  std::fflush(out_);
}

void ConsoleView::ShowLine(std::string_view line, bool error) {
  if (isTerminal_ && drawn_) {
    // Up over the lines drawn in place, which are drawn again below the new line.
    std::fputs("\x1b[4A\r\x1b[J", out_);
    std::fflush(out_);
    drawn_ = false;
  }
  std::FILE* stream = error ? errors_ : out_;
  std::fprintf(stream, "%.*s\n", static_cast<int>(line.size()), line.data());
  std::fflush(stream);
  if (isTerminal_) Redraw();
}

void ConsoleView::End(std::string_view lastLine) {
  std::fflush(errors_);
  std::fprintf(out_, "%.*s\n", static_cast<int>(lastLine.size()), lastLine.data());
  std::fflush(out_);
}

void ConsoleView::Redraw() {
  // Move back over the four lines drawn last time and draw them anew.
  if (drawn_) std::fputs("\x1b[4A", out_);
  drawn_ = true;
  // One column short of the width: a line that fills the last column makes
  // some terminals wrap, and the redraw would then scroll.
  const int columns = std::max(platform::TerminalColumns(out_) - 1, 0);
  const std::string lines[] = {std::string(run::Caption), status_, BarLine("読み込み", download_, columns),
                               BarLine("CSV作成 ", export_, columns)};
  for (const std::string& line : lines) {
    const std::string_view shown = CutToColumns(line, columns);
    std::fprintf(out_, "\r\x1b[2K%.*s\n", static_cast<int>(shown.size()), shown.data());
  }
  std::fflush(out_);
}

}  // namespace varkelo::app
