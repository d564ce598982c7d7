#include <gtest/gtest.h>

#include <array>
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

TEST(AsciiAndCalendarTest, OnlyLettersChangeCaseAndOnlyDatesAreDays) {
  EXPECT_TRUE(AsciiUpper('a') == 'A' && AsciiLower('Z') == 'z');
  for (const char c : {'@', '[', '`', '{', '1', '\xE3'})
    EXPECT_TRUE(AsciiUpper(c) == c && AsciiLower(c) == c) << int{c};
  for (const auto& [y, m, d] : {std::array{2012, 2, 29}, {2000, 2, 29}, {2013, 12, 31}})
    EXPECT_TRUE(IsCalendarDay(y, m, d)) << y << "-" << m << "-" << d;
  for (const auto& [y, m, d] :
       {std::array{2100, 2, 29}, {2013, 4, 31}, {2013, 13, 1}, {2013, 0, 1}, {2013, 1, 0}})
    EXPECT_FALSE(IsCalendarDay(y, m, d)) << y << "-" << m << "-" << d;
}

}  // namespace
}  // namespace varkelo::util
