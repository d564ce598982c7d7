#include "run/console_window.hpp"

#include <algorithm>

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

ConsoleWindow::ConsoleWindow(asio::io_context& io, std::FILE* out, bool isTerminal, WindowTiming timing)
    : EventLoopWindow(io, timing), out_(out), isTerminal_(isTerminal) {}

void ConsoleWindow::SetStatusText(std::string_view text) {
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

void ConsoleWindow::SetProgress(ProgressBar bar, int value) {
  int& shown = bar == ProgressBar::prgComm ? comm_ : csv_;
  if (shown == value && drawn_) return;
  shown = value;
  if (isTerminal_) Redraw();
}

void ConsoleWindow::Redraw() {
  // Move back over the four lines drawn last time and draw them anew.
  if (drawn_) std::fputs("\x1b[4A", out_);
  drawn_ = true;
  const std::string lines[] = {"Kov2 - Varkelo", status_, Bar("読み込み", comm_), Bar("CSV作成 ", csv_)};
  for (const std::string& line : lines) std::fprintf(out_, "\r\x1b[2K%s\n", line.c_str());
  std::fflush(out_);
}

}  // namespace varkelo::run
