#include <gtest/gtest.h>

#include <string_view>

#include "util/ascii.hpp"
#include "util/calendar.hpp"
#include "util/utf8.hpp"

namespace varkelo::util {
namespace {

TEST(Utf8Test, SequencesAndWellFormedText) {
  for (const auto& [lead, length] :
       {std::pair{0x41, 1}, {0x80, 1}, {0xBF, 1}, {0xC2, 2}, {0xE3, 3}, {0xF0, 4}})
    EXPECT_EQ(Utf8SequenceLength(static_cast<unsigned char>(lead)), length) << lead;
  EXPECT_TRUE(IsUtf8Continuation(0x80) && IsUtf8Continuation(0xBF));
  EXPECT_FALSE(IsUtf8Continuation(0x7F) || IsUtf8Continuation(0xC0));
  for (const std::string_view valid : {"", "A", "ｱ", "テスト", "\U0010FFFF", "a\xC2\x80"})
    EXPECT_TRUE(IsValidUtf8(valid)) << valid;
  // A stray continuation, an overlong pair, a cut-off sequence, a lead past U+10FFFF, a missing continuation.
  for (const std::string_view invalid : {"\x80", "\xC0\xAF", "\xE3\x83", "\xF5\x80\x80\x80", "\xE3\x41\x41"})
    EXPECT_FALSE(IsValidUtf8(invalid)) << invalid;
}

TEST(AsciiTest, OnlyAsciiLettersChangeCase) {
  EXPECT_EQ(AsciiUpper('a'), 'A');
  EXPECT_EQ(AsciiLower('Z'), 'z');
  for (const char c : {'@', '[', '`', '{', '1', '\xE3'}) EXPECT_EQ(AsciiUpper(c), c) << int{c};
  for (const char c : {'@', '[', '`', '{', '1', '\xE3'}) EXPECT_EQ(AsciiLower(c), c) << int{c};
}

TEST(CalendarTest, DaysOfTheGregorianCalendar) {
  for (const auto& [year, month, day, valid] : {std::tuple{2012, 2, 29, true},
                                                {2100, 2, 29, false},
                                                {2000, 2, 29, true},
                                                {2013, 4, 31, false},
                                                {2013, 12, 31, true},
                                                {2013, 13, 1, false},
                                                {2013, 0, 1, false},
                                                {2013, 1, 0, false},
                                                {2013, 1, 255, false}})
    EXPECT_EQ(IsCalendarDay(year, month, day), valid) << year << "-" << month << "-" << day;
}

}  // namespace
}  // namespace varkelo::util
