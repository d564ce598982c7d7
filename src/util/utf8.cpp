#include "util/utf8.hpp"

namespace varkelo::util {

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = Utf8SequenceLength(lead);
    if ((length == 1 && lead >= 0x80) || lead == 0xC0 || lead == 0xC1 || lead >= 0xF5) return false;
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k)
      if (!IsUtf8Continuation(static_cast<unsigned char>(text[i + k]))) return false;
    i += length;
  }
  return true;
}

}  // namespace varkelo::util
