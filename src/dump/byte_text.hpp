#pragma once

// A single-byte text field as the gateway stored it: its bytes up to the
// first 0x00, and whether the whole field is erased (every byte 0xFF). It
// becomes text only where it is printed.

#include <algorithm>
#include <cstdint>
#include <span>

namespace varkelo::dump {

class ByteText {
 public:
  // The whole field's bytes, which must outlive the value.
  explicit ByteText(std::span<const std::uint8_t> field)
      : bytes_(field.first(static_cast<std::size_t>(std::ranges::find(field, 0) - field.begin()))),
        erased_(bytes_.size() == field.size() &&
                std::ranges::all_of(field, [](std::uint8_t b) { return b == 0xFF; })) {}

  // The bytes before the first 0x00.
  std::span<const std::uint8_t> Bytes() const { return bytes_; }
  bool Empty() const { return bytes_.empty(); }
  // Every byte of the field is 0xFF, as memory the gateway never wrote.
  bool Erased() const { return erased_; }

 private:
  std::span<const std::uint8_t> bytes_;
  bool erased_;
};

}  // namespace varkelo::dump
