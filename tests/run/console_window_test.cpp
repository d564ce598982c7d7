#include "run/console_window.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace varkelo::run;

namespace {

std::string Written(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
  return text;
}

TEST(ConsoleWindow, SchedulerLogGetsEachNewStatusOnceAndNoBars) {
  asio::io_context io;
  std::FILE* log = std::tmpfile();
  ConsoleWindow window(io, log, false);
  window.SetStatusText("「10.0.0.1」のスマートゲートウェイに接続中");
  window.SetStatusText("「10.0.0.1」のスマートゲートウェイに接続中");
  window.SetProgress(ProgressBar::prgComm, 40);
  window.SetStatusText("「10.0.0.1」のスマートゲートウェイの読込みデータ転送中");
  window.SetStatusText("「10.0.0.1」のスマートゲートウェイの読込みデータ転送中");
  EXPECT_EQ(
      Written(log),
      "「10.0.0.1」のスマートゲートウェイに接続中\n「10.0.0.1」のスマートゲートウェイの読込みデータ転送中\n");
  std::fclose(log);
}

TEST(ConsoleWindow, TerminalRedrawsCaptionStatusAndBarsInPlace) {
  asio::io_context io;
  std::FILE* screen = std::tmpfile();
  ConsoleWindow window(io, screen, true);
  window.SetStatusText("A");
  window.SetProgress(ProgressBar::prgComm, 50);
  window.SetProgress(ProgressBar::prgComm, 50);  // unchanged: no redraw
  window.SetProgress(ProgressBar::prgCSV, 100);
  const std::string shown = Written(screen);
  std::fclose(screen);

  // Three draws: the first one, then two redraws that move back over four lines.
  std::size_t redraws = 0;
  for (std::size_t at = shown.find("\x1b[4A"); at != std::string::npos; at = shown.find("\x1b[4A", at + 1))
    ++redraws;
  EXPECT_EQ(redraws, 2u);
  const std::string last = shown.substr(shown.rfind("\x1b[4A"));
  EXPECT_NE(last.find("Kov2 - Varkelo"), std::string::npos);
  EXPECT_NE(last.find("\r\x1b[2KA\n"), std::string::npos);
  EXPECT_NE(last.find("読み込み [" + std::string(20, '#') + std::string(20, '.') + "] 50%"),
            std::string::npos);
  EXPECT_NE(last.find("CSV作成  [" + std::string(40, '#') + "] 100%"), std::string::npos);
}

}  // namespace
