#pragma once

// The text of a field, as the tools, the tests and the gateway folder's name
// read it: a number in decimal, a single-byte text character by character, a
// meter tag in code page 932. Held inline: decoding a field never touches the
// heap.

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "dump/block_image.hpp"
#include "dump/byte_text.hpp"
#include "dump/field_catalogue.hpp"

namespace varkelo::dump {

class FieldText {
 public:
  // The longest text a field decodes to: 68 single bytes, 3 UTF-8 bytes each.
  static constexpr std::size_t Capacity = 256;

  FieldText() = default;

  std::string_view View() const { return {data_.data(), size_}; }
  operator std::string_view() const { return View(); }
  std::string Str() const { return std::string(View()); }

  // Appends `text`, which must fit.
  void Append(std::string_view text) {
    assert(text.size() <= Capacity - size_);
    std::memcpy(data_.data() + size_, text.data(), text.size());
    size_ += text.size();
  }

  friend bool operator==(const FieldText& a, std::string_view b) { return a.View() == b; }

 private:
  std::array<char, Capacity> data_;
  std::size_t size_ = 0;
};

// A little-endian unsigned number of 1, 2 or 4 bytes in decimal; any other length gives "0".
FieldText DecodeNumber(std::span<const std::uint8_t> bytes);
// Each byte before the first 0x00 as its single-byte character; at most 85 bytes.
FieldText DecodeByteText(const ByteText& text);
// Every byte of the field as code page 932, 0x00 bytes as U+0000; at most 85 bytes.
FieldText DecodeTagText(std::span<const std::uint8_t> bytes);

// The text of catalogue entry `index` (0 to the catalogue's FieldCount() - 1)
// taken from `image`, which holds a block of the catalogue's layout.
FieldText GetFieldText(const FieldCatalogue& catalogue, const BlockImage& image, std::int32_t index);

}  // namespace varkelo::dump
