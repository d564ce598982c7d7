#pragma once

// The generated double-byte tables of code page 932 (cp932_table.cpp, written
// by gen_cp932_table.py). Only the codec uses them.

#include <cstddef>
#include <cstdint>

namespace varkelo::text::detail {

// Lead bytes 0x81-0x9F and 0xE0-0xFC, in that order.
inline constexpr int LeadCount = 60;
// Trail bytes 0x40-0xFC; 0x7F sits in the range but is never a trail byte.
inline constexpr std::uint8_t TrailFirst = 0x40;
inline constexpr std::uint8_t TrailLast = 0xFC;
inline constexpr int TrailCount = TrailLast - TrailFirst + 1;

constexpr int LeadIndex(std::uint8_t lead) {
  return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 0x1F;
}

// The character of each lead/trail pair, indexed by
// LeadIndex(lead) * TrailCount + (trail - TrailFirst); 0 where the code is not defined.
extern const std::uint16_t DoubleByteToUnicode[LeadCount * TrailCount];

struct Cp932Code {
  std::uint16_t unicode;
  std::uint16_t code;  // lead byte << 8 | trail byte
};

// Every character written as a double-byte code with its preferred code,
// sorted by character.
extern const Cp932Code UnicodeToCode[];
extern const std::size_t UnicodeToCodeSize;

}  // namespace varkelo::text::detail
