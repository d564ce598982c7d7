#pragma once

// One CSV line built in place: fields joined by ",", nothing quoted. A writer
// keeps one line for a whole file and clears it per row, so building a row
// never touches the heap.

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace varkelo::exporting {

// What a missing value prints as.
inline constexpr std::string_view MissingValue = "-";

class CsvLine {
 public:
  CsvLine() { text_.reserve(512); }

  void Clear() { text_.clear(); }

  // Appends one field; an empty value gives an empty field.
  void Field(std::string_view value) {
    text_.append(value);
    text_.push_back(',');
  }

  void Missing() { Field(MissingValue); }

  void Number(std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    Field(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
  }

  // 0 to 99 with a leading zero below 10.
  void TwoDigits(std::int32_t value) {
    const char digits[2] = {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
    Field(std::string_view(digits, 2));
  }

  // The fields so far, without the separator the last one left behind.
  std::string_view View() const {
    return text_.empty() ? std::string_view() : std::string_view(text_.data(), text_.size() - 1);
  }

 private:
  std::string text_;
};

}  // namespace varkelo::exporting
