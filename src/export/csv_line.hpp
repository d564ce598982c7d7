#pragma once

// One row of a day or start file built in place, in code page 932: its
// csv::Columns joined by ",", nothing quoted, appended in csv::Column order.
// Values are formatted here and nowhere else. The line's size is fixed when
// compiled: every column holds at most MaxColumnBytes, so a row always fits. A
// writer keeps one line for a whole file and clears it per row, so building
// a row does not touch the heap.

#include <array>
#include <cassert>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "csv/csv_format.hpp"
#include "dump/byte_text.hpp"
#include "dump/layout.hpp"
#include "text/cp932.hpp"
#include "text/digits.hpp"

namespace varkelo::exporting {

class CsvLine {
 public:
  // The longest column: a 64-bit number in decimal.
  static constexpr std::size_t MaxColumnBytes = 20;
  // The longest stored text a column holds: each byte gives at most two bytes of code page 932.
  static constexpr std::size_t MaxTextBytes = MaxColumnBytes / 2;

  void Clear() {
    size_ = 0;
    columns_ = 0;
  }

  // The column the next value goes into.
  csv::Column Next() const { return static_cast<csv::Column>(columns_); }

  // Appends one field of at most MaxColumnBytes ASCII characters; an empty value gives an empty field.
  void Field(std::string_view ascii) {
    assert(ascii.size() <= MaxColumnBytes);
    Append(ascii);
  }

  // What a missing value prints as.
  void Missing() { Field(csv::Missing); }

  void Number(std::uint64_t value) {
    assert(columns_ < csv::Columns);
    char* end = std::to_chars(text_.data() + size_, text_.data() + size_ + MaxColumnBytes, value).ptr;
    *end = ',';
    size_ = static_cast<std::size_t>(end + 1 - text_.data());
    ++columns_;
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

  // A stored text of at most MaxTextBytes as its characters; an empty text gives an empty field.
  void Text(const dump::ByteText& value) {
    assert(value.Bytes().size() <= MaxTextBytes);
    encoded_.clear();
    text::AppendSingleByteCodes(value.Bytes(), encoded_);
    Append(encoded_);
  }

  // The whole row, without the separator the last column left behind.
  std::string_view View() const {
    assert(columns_ == csv::Columns);
    return {text_.data(), size_ - 1};
  }

 private:
  // Every field goes in with its separator.
  void Append(std::string_view field) {
    assert(columns_ < csv::Columns && field.size() <= MaxColumnBytes);
    char* out = text_.data() + size_;
    for (const char c : field) *out++ = c;
    *out = ',';
    size_ += field.size() + 1;
    ++columns_;
  }

  std::array<char, csv::Columns*(MaxColumnBytes + 1)> text_;
  std::size_t size_ = 0;
  std::size_t columns_ = 0;
  std::string encoded_;
};

// The texts the rows print are the multipliers.
static_assert(dump::interval::MultiplierBytes <= CsvLine::MaxTextBytes);

}  // namespace varkelo::exporting
