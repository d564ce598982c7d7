#pragma once

// Writes values into the bytes of a block at the places the catalogue gives
// their fields: what GetFieldText reads back. For the programs that make
// images (the sample image maker, the tests); the export only reads.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>

#include "dump/dump_image.hpp"

namespace varkelo::dump {

class FieldWriter {
 public:
  // `catalogue` holds the layout of `block`; both must outlive the writer.
  FieldWriter(const Dump& catalogue, std::span<std::uint8_t> block) : catalogue_(catalogue), block_(block) {}

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
    if (index < 0 || index >= catalogue_.FieldCount()) throw FieldError("field index not registered");
    const FieldDescriptor& field = catalogue_.Catalog()[static_cast<std::size_t>(index)];
    const auto offset = static_cast<std::size_t>(field.offset);
    const auto length = static_cast<std::size_t>(field.length);
    if (offset + length > block_.size()) throw FieldError("field reaches past the block");
    return block_.subspan(offset, length);
  }

  const Dump& catalogue_;
  std::span<std::uint8_t> block_;
};

}  // namespace varkelo::dump
