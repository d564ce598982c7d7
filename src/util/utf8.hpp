#pragma once

// UTF-8 byte by byte.

#include <cstddef>
#include <string_view>

namespace varkelo::util {

// The bytes of the sequence a lead byte starts; 1 for ASCII and for a byte
// that starts no sequence, which then stands alone.
constexpr std::size_t Utf8SequenceLength(unsigned char lead) {
  return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

// A byte inside a sequence, never the first of one.
constexpr bool IsUtf8Continuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// Well-formed UTF-8: no stray or missing continuation byte, no overlong
// two-byte sequence, no lead byte past U+10FFFF's.
bool IsValidUtf8(std::string_view text);

}  // namespace varkelo::util
