// Lines cut to the terminal's width, counted in the columns a terminal gives
// each character, never in the middle of one.

#include "run/console_view.hpp"

#include <gtest/gtest.h>

using varkelo::run::CutToColumns;

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
