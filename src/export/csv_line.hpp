#pragma once

// One CSV line built in place, in code page 932: fields joined by ",",
// nothing quoted. Values are formatted here and nowhere else. A writer keeps
// one line for a whole file and clears it per row, so building a row never
// touches the heap.

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dump/byte_text.hpp"
#include "text/cp932.hpp"
#include "text/digits.hpp"

namespace varkelo::exporting {

class CsvLine {
 public:
  CsvLine() { text_.reserve(512); }

  void Clear() { text_.clear(); }

  // Appends one field of ASCII characters; an empty value gives an empty field.
  void Field(std::string_view ascii) {
    text_.append(ascii);
    text_.push_back(',');
  }

  // What a missing value prints as.
  void Missing() { Field("-"); }

  void Number(std::uint64_t value) {
    char digits[20];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    Field(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
  }

  // A stored number, "-" when erased.
  template <typename T>
  void Number(const std::optional<T>& value) {
    if (value) {
      Number(std::uint64_t{*value});
    } else {
      Missing();
    }
  }

  // 0 to 99 with a leading zero below 10.
  void TwoDigits(std::int32_t value) { Field(text::TwoDigits(value)); }

  // A stored text as its characters; an empty text gives an empty field.
  void Text(const dump::ByteText& value) {
    text::AppendSingleByteCodes(value.Bytes(), text_);
    text_.push_back(',');
  }

  // The fields so far, without the separator the last one left behind.
  std::string_view View() const {
    return text_.empty() ? std::string_view() : std::string_view(text_.data(), text_.size() - 1);
  }

 private:
  std::string text_;
};

}  // namespace varkelo::exporting
