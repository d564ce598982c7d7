#include "util/unicode.hpp"

namespace varkelo::util {

std::string DecodeUtf16(std::span<const std::uint8_t> bytes, ByteOrder order) {
  const auto unit = [&](std::size_t i) -> char32_t {
    return order == ByteOrder::BigEndian ? (char32_t{bytes[i]} << 8) | bytes[i + 1]
                                         : (char32_t{bytes[i + 1]} << 8) | bytes[i];
  };
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
      const char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    AppendUtf8(c >= 0xD800 && c <= 0xDFFF ? char32_t{0xFFFD} : c, text);
  }
  return text;
}

}  // namespace varkelo::util
