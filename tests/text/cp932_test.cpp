#include "text/cp932.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varkelo::text {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string AsString(const Bytes& bytes) {
  return {bytes.begin(), bytes.end()};
}

struct Case {
  Bytes bytes;
  std::string text;
};

// Codes that decode and encode back to the same bytes.
const std::vector<Case> kRoundTrips = {
    {{0x41, 0x2C, 0x7E}, "A,~"},
    {{0x00}, std::string(1, '\0')},
    {{0x80}, "\u0080"},
    {{0xA0}, "\uF8F0"},
    {{0xFD, 0xFE, 0xFF}, "\uF8F1\uF8F2\uF8F3"},
    {{0xA1, 0xB1, 0xDF}, "｡ｱﾟ"},
    {{0x83, 0x65, 0x83, 0x58, 0x83, 0x67}, "テスト"},
    {{0x88, 0x9F}, "亜"},
    {{0x87, 0x40}, "①"},                // NEC row 13
    {{0xFA, 0x40, 0xFC, 0x4B}, "ⅰ黑"},  // IBM extension
    {{0xF0, 0x40}, "\uE000"},           // user-defined area
    {{0x81, 0x45}, "・"},
    // Characters with several codes encode to the one Windows writes.
    {{0x81, 0xE0}, "≒"},   // also NEC row 13
    {{0x81, 0xCA}, "￢"},  // also 0xEEF9 and 0xFA54
    {{0x87, 0x54}, "Ⅰ"},   // also 0xFA4A
    {{0xFA, 0x5C}, "纊"},  // also 0xED40 (NEC-selected IBM extension)
};

TEST(Cp932Test, DecodesAndEncodesBackTheSameBytes) {
  for (const Case& c : kRoundTrips) {
    EXPECT_EQ(DecodeCp932(c.bytes), c.text) << AsString(c.bytes);
    std::string encoded;
    EXPECT_TRUE(EncodeCp932(c.text, encoded)) << c.text;
    EXPECT_EQ(encoded, AsString(c.bytes)) << c.text;
  }
}

// Invalid sequences never swallow the byte after them; NEC-selected codes decode only.
TEST(Cp932Test, DecodesInvalidAndOneWayCodes) {
  const std::vector<Case> cases = {
      {{0x81}, "・"},                                 // lead byte at the end
      {{0x41, 0x81, 0x00}, std::string("A・\0", 5)},  // lead byte before 0x00
      {{0x81, 0x2C, 0x31}, "・,1"},                   // trail out of range
      {{0x9F, 0x7F}, "・\x7F"},
      {{0xE0, 0xFF}, "・\uF8F3"},
      {{0x85, 0x40, 0x2C}, "・,"},  // trail in range, pair undefined: one character
      {{0xED, 0x40, 0xEE, 0xEF}, "纊ⅰ"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeCp932(c.bytes), c.text) << AsString(c.bytes);
}

TEST(Cp932Test, EveryDoubleByteCharacterEncodesToACodeOfItself) {
  int defined = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(static_cast<std::uint8_t>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const Bytes pair = {static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail)};
      const std::string text = DecodeCp932(pair);
      std::string encoded;
      if (text == InvalidByteChar) continue;
      ++defined;
      EXPECT_TRUE(EncodeCp932(text, encoded)) << lead << " " << trail;
      EXPECT_EQ(DecodeCp932(Bytes(encoded.begin(), encoded.end())), text) << lead << " " << trail;
    }
  }
  EXPECT_EQ(defined, 9603);  // every defined pair but 0x8145, which is InvalidByteChar itself
}

TEST(Cp932Test, SingleByteTextMatchesTheByteAlone) {
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<std::uint8_t>(b);
    const std::string_view text = SingleByteText(byte);
    if (IsLeadByte(byte)) {
      EXPECT_EQ(text, InvalidByteChar) << b;
      continue;
    }
    std::string encoded;
    EXPECT_TRUE(EncodeCp932(text, encoded)) << b;
    EXPECT_EQ(encoded, std::string(1, static_cast<char>(byte))) << b;
  }
  EXPECT_EQ(SingleByteText(0xFF), ErasedByteChar);
}

TEST(Cp932Test, RefusesUnencodableCharactersAndInvalidUtf8) {
  const std::vector<std::string> texts = {
      "caf\u00E9",        "\U0001F600", "\u00A5", "\u301C",        // no code page 932 code
      "ab\xC3",           "\xC0\xAF",   "\x80",   "\xED\xA0\x80",  // cut off, overlong, stray, surrogate
      "\xF4\x90\x80\x80", "\xE3\x83",                              // above U+10FFFF, cut off
  };
  for (const std::string& text : texts) {
    std::string out = "kept";
    EXPECT_FALSE(EncodeCp932(text, out)) << text;
    EXPECT_EQ(out.substr(0, 4), "kept");
  }
}

}  // namespace
}  // namespace varkelo::text
