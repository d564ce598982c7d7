#pragma once

// Windows' own texts, UTF-16 in wchar_t, as UTF-8; for the *_windows.cpp files.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "util/unicode.hpp"

namespace varkelo::platform {

// A lone half of a surrogate pair becomes U+FFFD, as Windows' own conversion makes it.
inline std::string Utf8FromWide(std::wstring_view wide) {
  static_assert(sizeof(wchar_t) == 2, "Windows' wchar_t: one UTF-16 unit, little-endian");
  return util::DecodeUtf16(std::span(reinterpret_cast<const std::uint8_t*>(wide.data()), wide.size() * 2),
                           util::ByteOrder::LittleEndian);
}

}  // namespace varkelo::platform
