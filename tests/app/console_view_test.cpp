// Lines cut to the terminal's width, counted in the columns a terminal gives
// each character, never in the middle of one; bars that shrink to fit and
// keep their figure.

#include "app/console_view.hpp"

#include <gtest/gtest.h>

using varkelo::app::BarLine;
using varkelo::app::CutToColumns;

TEST(ConsoleView, LinesAreCutToTheColumnsTheyFill) {
  const struct {
    std::string_view line;
    int columns;
    std::string_view shown;
  } cases[] = {
      {"読み込み [####....] 50%", 0, "読み込み [####....] 50%"},  // width unknown
      {"読み込み [####....] 50%", 40, "読み込み [####....] 50%"},
      {"読み込み [####....] 50%", 11, "読み込み [#"},
      {"「1.2.3.4」のCSV作成中", 12, "「1.2.3.4」"},  // a wide character never half shown
      {"「1.2.3.4」のCSV作成中", 13, "「1.2.3.4」の"},
      {"Kov2 - Varkelo", 4, "Kov2"},
      {"ab\xE3\x81", 4, "ab"},  // a character cut off already
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.line) + " in " + std::to_string(c.columns));
    EXPECT_EQ(CutToColumns(c.line, c.columns), c.shown);
  }
}

TEST(ConsoleView, BarsShrinkToTheWidthAndKeepTheirFigure) {
  const struct {
    int percent;
    int columns;
    std::string line;
  } cases[] = {
      {50, 0, "読み込み [" + std::string(20, '#') + std::string(20, '.') + "] 50%"},  // width unknown
      {50, 79, "読み込み [" + std::string(20, '#') + std::string(20, '.') + "] 50%"},
      {50, 26, "読み込み [#####.....] 50%"},
      {100, 26, "読み込み [##########] 100%"},
      {7, 16, "読み込み [] 7%"},  // no room for a bar: the figure still shows
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.percent) + "% in " + std::to_string(c.columns));
    EXPECT_EQ(BarLine("読み込み", c.percent, c.columns), c.line);
    EXPECT_EQ(CutToColumns(c.line, c.columns), c.line);
  }
}
