#pragma once

// UTF-8 and UTF-16, the two Unicode forms the system meets: its own texts are
// UTF-8; a configuration file saved as "Unicode", and Windows' own texts, are
// UTF-16.

#include <cstdint>
#include <span>
#include <string>

namespace varkelo::util {

// Writes the UTF-8 bytes of a character (at most 4) to `out`; returns their count.
constexpr int PutUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

inline void AppendUtf8(char32_t c, std::string& out) {
  char bytes[4];
  out.append(bytes, static_cast<std::size_t>(PutUtf8(c, bytes)));
}

enum class ByteOrder { LittleEndian, BigEndian };

// UTF-16 code units in the given byte order as UTF-8. A lone half of a
// surrogate pair becomes U+FFFD; an odd last byte is dropped.
std::string DecodeUtf16(std::span<const std::uint8_t> bytes, ByteOrder order);

}  // namespace varkelo::util
