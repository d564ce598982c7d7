#include "text/cp932.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varkelo::text {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Case {
  Bytes bytes;
  std::string text;
  bool decodeOnly = false;  // encoding the text gives other bytes
};

TEST(Cp932Test, DecodesAndEncodesBackTheSameBytes) {
  const std::vector<Case> cases = {
      {{0x41, 0x2C, 0x7E}, "A,~"},
      {{0x00}, std::string(1, '\0')},
      {{0x80, 0xA0}, "\u0080\uF8F0"},
      {{0xFD, 0xFE, 0xFF}, "\uF8F1\uF8F2\uF8F3"},
      {{0xA1, 0xB1, 0xDF}, "｡ｱﾟ"},
      {{0x83, 0x65, 0x83, 0x58, 0x83, 0x67, 0x81, 0x45}, "テスト・"},
      {{0x88, 0x9F, 0x87, 0x40}, "亜①"},                    // NEC row 13
      {{0xFA, 0x40, 0xFC, 0x4B, 0xF0, 0x40}, "ⅰ黑\uE000"},  // IBM extension, user-defined area
      // Characters with several codes encode to the one Windows writes.
      {{0x81, 0xE0}, "≒"},   // also NEC row 13
      {{0x81, 0xCA}, "￢"},  // also 0xEEF9 and 0xFA54
      {{0x87, 0x54}, "Ⅰ"},   // also 0xFA4A
      {{0xFA, 0x5C}, "纊"},  // also 0xED40 (NEC-selected IBM extension)
      // Invalid sequences never swallow the byte after them; NEC-selected codes decode only.
      {{0x81}, "・", true},                                 // lead byte at the end
      {{0x41, 0x81, 0x00}, std::string("A・\0", 5), true},  // lead byte before 0x00
      {{0x81, 0x2C, 0x31}, "・,1", true},                   // trail out of range
      {{0x9F, 0x7F}, "・\x7F", true},
      {{0xE0, 0xFF}, "・\uF8F3", true},
      {{0x85, 0x40, 0x2C}, "・,", true},  // trail in range, pair undefined: one character
      {{0xED, 0x40, 0xEE, 0xEF}, "纊ⅰ", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeCp932(c.bytes), c.text) << c.text;
    if (c.decodeOnly) continue;
    std::string encoded;
    EXPECT_TRUE(EncodeCp932(c.text, encoded)) << c.text;
    EXPECT_EQ(encoded, std::string(c.bytes.begin(), c.bytes.end())) << c.text;
  }
}

// Every single byte and every defined pair decodes to a text that encodes to a
// code of that text; a single byte's code is also what the direct way gives.
TEST(Cp932Test, EveryCodeEncodesBackToACodeOfItsText) {
  for (int b = 1; b < 256; ++b) {
    const auto byte = static_cast<std::uint8_t>(b);
    std::string encoded, direct;
    EXPECT_TRUE(EncodeCp932(SingleByteText(byte), encoded)) << b;
    AppendSingleByteCodes(Bytes{byte, 0, byte}, direct);
    EXPECT_EQ(direct, encoded) << b;
    EXPECT_EQ(encoded, IsLeadByte(byte) ? "\x81\x45" : std::string(1, static_cast<char>(b))) << b;
  }
  EXPECT_EQ(SingleByteText(0xFF), ErasedByteChar);
  int defined = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC && IsLeadByte(static_cast<std::uint8_t>(lead)); ++trail) {
      const std::string text =
          DecodeCp932(Bytes{static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail)});
      std::string encoded;
      if (trail == 0x7F || text == InvalidByteChar) continue;
      ++defined;
      EXPECT_TRUE(EncodeCp932(text, encoded)) << lead << " " << trail;
      EXPECT_EQ(DecodeCp932(Bytes(encoded.begin(), encoded.end())), text) << lead << " " << trail;
    }
  }
  EXPECT_EQ(defined, 9603);  // every defined pair but 0x8145, which is InvalidByteChar itself
}

TEST(Cp932Test, RefusesUnencodableCharactersAndInvalidUtf8) {
  // No code page 932 code; cut off, overlong, stray, surrogate, above U+10FFFF, cut off.
  for (const std::string text : {"caf\u00E9", "\U0001F600", "\u00A5", "\u301C", "ab\xC3", "\xC0\xAF", "\x80",
                                 "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE3\x83"}) {
    std::string out = "kept";
    EXPECT_FALSE(EncodeCp932(text, out)) << text;
    EXPECT_EQ(out.substr(0, 4), "kept");
  }
}

}  // namespace
}  // namespace varkelo::text
