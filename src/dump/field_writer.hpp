#pragma once

// Writes values into the bytes of a block at the places the catalogue gives
// their fields, by catalogue index: what GetFieldText reads back. For the programs that make
// images (the sample image maker, the tests); the export only reads.

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <span>
#include <string_view>

#include "dump/field_catalogue.hpp"

namespace varkelo::dump {

class FieldWriter {
 public:
  // `catalogue` holds the layout of `block`, a whole block; both must outlive the writer.
  FieldWriter(const FieldCatalogue& catalogue, std::span<std::uint8_t> block)
      : catalogue_(catalogue), block_(block) {}

  // Little-endian, as wide as the field.
  void Number(std::int32_t index, std::uint32_t value) const {
    for (std::uint8_t& byte : Bytes(index)) {
      byte = static_cast<std::uint8_t>(value);
      value >>= 8;
    }
  }

  // The text's bytes, cut at the field's width, then 0x00 up to it.
  void Text(std::int32_t index, std::string_view text) const {
    const std::span<std::uint8_t> bytes = Bytes(index);
    const std::size_t length = std::min(bytes.size(), text.size());
    std::copy_n(text.begin(), length, bytes.begin());
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(length), bytes.end(), std::uint8_t{0});
  }

  // Every byte of `count` fields from `index` on.
  void Fill(std::int32_t index, std::uint8_t byte, std::int32_t count = 1) const {
    for (std::int32_t i = index; i < index + count; ++i) std::ranges::fill(Bytes(i), byte);
  }

 private:
  std::span<std::uint8_t> Bytes(std::int32_t index) const {
    const FieldDescriptor& field = catalogue_.Entry(index);
    return block_.subspan(static_cast<std::size_t>(field.offset), static_cast<std::size_t>(field.length));
  }

  const FieldCatalogue& catalogue_;
  std::span<std::uint8_t> block_;
};

}  // namespace varkelo::dump
