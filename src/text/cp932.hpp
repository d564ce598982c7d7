#pragma once

// Code page 932 (Shift-JIS as Windows converts it) to and from UTF-8.
// Texts inside the program are UTF-8; bytes on disk and in the gateway's
// memory are code page 932. The conversion is table-driven and the same on
// every platform.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace varkelo::text {

// U+F8F3, the character a single byte 0xFF becomes (erased memory).
inline constexpr std::string_view ErasedByteChar = "\xEF\xA3\xB3";

// U+30FB, what an invalid double-byte pair or a lone lead byte becomes.
inline constexpr std::string_view InvalidByteChar = "\xE3\x83\xBB";

// True for the bytes that start a double-byte code (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsLeadByte(std::uint8_t b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The UTF-8 text of one byte read as a single-byte code: ASCII, half-width
// katakana, the private-use characters of 0x80, 0xA0, 0xFD-0xFF, and
// InvalidByteChar for a lead byte standing alone. Byte 0 gives a U+0000 text.
std::string_view SingleByteText(std::uint8_t byte);

// Appends to `out` the code page 932 bytes of `bytes` read one at a time as
// single-byte codes: what encoding the SingleByteText of each byte gives,
// without the way through UTF-8. Stops at a 0x00 byte.
void AppendSingleByteCodes(std::span<const std::uint8_t> bytes, std::string& out);

// Decodes a whole byte string, double-byte codes included. 0x00 bytes become
// U+0000 characters; nothing is trimmed.
std::string DecodeCp932(std::span<const std::uint8_t> bytes);

// Appends the code page 932 bytes of a UTF-8 text to `out`. Returns false
// (leaving `out` with what was appended so far) when the text is not valid
// UTF-8 or holds a character that code page 932 cannot encode.
bool EncodeCp932(std::string_view utf8, std::string& out);

}  // namespace varkelo::text
