#pragma once

// "read.nmd" as blocks of DumpBlockSize bytes, and the image of the one block
// loaded. Fields are read through their handles (field_handles.hpp) as
// values: a number of the field's width, none when erased (every byte 0xFF),
// or a ByteText.

#include <concepts>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "dump/byte_text.hpp"
#include "dump/field_handles.hpp"
#include "platform/failure.hpp"

namespace varkelo::dump {

class BlockImage {
 public:
  // An image of erased memory, every byte 0xFF.
  BlockImage();
  BlockImage(const BlockImage&) = delete;
  BlockImage& operator=(const BlockImage&) = delete;

  // Reads block blockNumber of the file into the image. Bytes past the end of
  // the file read as 0. Fails, with the image unchanged, for a negative block
  // number and when the file is not a regular file or cannot be read.
  platform::Status LoadBlock(const std::filesystem::path& path, std::int32_t blockNumber);

  // Makes block blockNumber of the same file the image again: without
  // reading when it is the block the image held before the last load, else
  // as LoadBlock does.
  platform::Status ReturnToBlock(const std::filesystem::path& path, std::int32_t blockNumber);

  // Takes a block held in memory as LoadBlock takes one from the file: the
  // first DumpBlockSize bytes, zeros past the end of `block`.
  void LoadBlockBytes(std::span<const std::uint8_t> block);

  // A number field as stored: its unsigned value, none when erased.
  template <std::unsigned_integral T>
  std::optional<T> Number(NumberAt<T> field) const {
    const std::uint8_t* bytes = bytes_.data() + field.Offset();
    T value = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) value = static_cast<T>((value << 8) | bytes[i]);
    if (value == static_cast<T>(~T{0})) return std::nullopt;
    return value;
  }

  // A single-byte text field as stored.
  ByteText Text(TextAt field) const { return ByteText(Bytes(field)); }

  // A text field's bytes as stored.
  std::span<const std::uint8_t> Bytes(TextAt field) const {
    return Bytes().subspan(static_cast<std::size_t>(field.Offset()),
                           static_cast<std::size_t>(field.Length()));
  }

  // The block loaded, DumpBlockSize bytes.
  std::span<const std::uint8_t> Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  // What a load reads into before it becomes the image; after a load, the image before it.
  std::vector<std::uint8_t> spare_;
  // The blocks of the file in the image and in spare_; -1 for anything else.
  std::int32_t imageBlock_ = -1;
  std::int32_t spareBlock_ = -1;
};

}  // namespace varkelo::dump
