#pragma once

// Text inside HTML and XML documents.

#include <string>
#include <string_view>

namespace varkelo::util {

// Appends `text` as element content or a quoted attribute value: the
// characters markup gives a meaning escaped, control characters but the tab
// left out (a field of zero bytes, a broken file).
inline void AppendMarkupText(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
}

inline std::string MarkupText(std::string_view text) {
  std::string out;
  AppendMarkupText(out, text);
  return out;
}

}  // namespace varkelo::util
