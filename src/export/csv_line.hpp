#pragma once

// One CSV line built in place, in code page 932: fields joined by ",",
// nothing quoted. Values are formatted here and nowhere else. A writer keeps
// one line for a whole file and clears it per row, so building a row does
// not touch the heap.

#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "dump/byte_text.hpp"
#include "text/cp932.hpp"
#include "text/digits.hpp"

namespace varkelo::exporting {

class CsvLine {
 public:
  void Clear() { size_ = 0; }

  // Appends one field of ASCII characters; an empty value gives an empty field.
  void Field(std::string_view ascii) {
    char* out = Room(ascii.size() + 1);
    for (const char c : ascii) *out++ = c;
    *out = ',';
    size_ += ascii.size() + 1;
  }

  // What a missing value prints as.
  void Missing() { Field("-"); }

  void Number(std::uint64_t value) {
    char* out = Room(MaxDigits + 1);
    char* end = std::to_chars(out, out + MaxDigits, value).ptr;
    *end = ',';
    size_ = static_cast<std::size_t>(end + 1 - text_.data());
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
    // Each byte gives at most two bytes of code page 932.
    Room(2 * value.Bytes().size() + 1);
    encoded_.clear();
    text::AppendSingleByteCodes(value.Bytes(), encoded_);
    Field(encoded_);
  }

  // The fields so far, without the separator the last one left behind.
  std::string_view View() const { return {text_.data(), size_ == 0 ? 0 : size_ - 1}; }

 private:
  static constexpr std::size_t MaxDigits = 20;

  // Where `count` more characters go; a line never grows near the limit.
  char* Room(std::size_t count) {
    if (count > text_.size() - size_) throw std::length_error("CSV line too long");
    return text_.data() + size_;
  }

  std::array<char, 1024> text_;
  std::size_t size_ = 0;
  std::string encoded_;
};

}  // namespace varkelo::exporting
