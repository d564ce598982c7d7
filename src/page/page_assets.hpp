#pragma once

// The page's template, stylesheet and script (src/page/assets/), built into
// the program: the page is one file that fetches nothing.

#include <string_view>

namespace varkelo::page {

struct Asset {
  std::string_view text;
  // "sha256-" and the base64 SHA-256 of `text`: how the page's
  // Content-Security-Policy allows it inline, and nothing else.
  std::string_view hash;
};

// The page with {{NAME}} marks where its parts go.
extern const Asset PageTemplate;
extern const Asset PageStyle;
// The pure part (page_values.js) and the drawing (page_draw.js), in one script.
extern const Asset PageScript;

}  // namespace varkelo::page
