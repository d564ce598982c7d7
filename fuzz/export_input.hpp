#pragma once

// The input of the export_image target, read and written: a short input
// reaches the day files by patching a realistic sample image.
//
//   byte 0   bit 0: the sample's layout (0 interval, 1 half-hourly);
//            bit 1: the image is cut to the size in bytes 1-3 (little-endian);
//            bit 2: decode the sector block with the other layout's catalogue.
//   then patches, to the end of the input:
//            3 bytes offset (little-endian, modulo the image's full size), 1 byte n;
//            n > 0: n bytes written at the offset;
//            n = 0: 1 byte v, filling the rest of the offset's block with v.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "dump/layout.hpp"
#include "lib/sample_image.hpp"

namespace fuzz_input {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t HalfHourSample = 1;
inline constexpr std::uint8_t CutImage = 2;
inline constexpr std::uint8_t OtherCatalogue = 4;
inline constexpr std::size_t BlockSize = varkelo::dump::DumpBlockSize;
inline constexpr std::size_t FullSize = varkelo::tools::SampleImageSize;

// A few days keep an execution short; patched heads make more of them.
inline varkelo::tools::SampleOptions FuzzSampleOptions(bool halfHour) {
  using enum varkelo::tools::SampleLayout;
  return {.layout = halfHour ? HalfHour : Interval, .days = 3, .configuredMeters = varkelo::dump::MeterCount};
}

inline std::size_t Read24(std::span<const std::uint8_t> input, std::size_t pos) {
  return input[pos] | (std::size_t{input[pos + 1]} << 8) | (std::size_t{input[pos + 2]} << 16);
}

struct BuiltImage {
  Bytes image;
  std::size_t firstPatch = 0;  // offset of the first patch, 0 without one
};

// The image an input describes, from the two samples of FuzzSampleOptions.
inline BuiltImage BuildImage(std::span<const std::uint8_t> input, const Bytes& interval,
                             const Bytes& halfHour) {
  const std::uint8_t flags = input.empty() ? 0 : input[0];
  BuiltImage built{(flags & HalfHourSample) ? halfHour : interval};
  Bytes& image = built.image;
  bool patched = false;
  std::size_t pos = 1;
  if ((flags & CutImage) && input.size() >= 4) {
    image.resize(std::min(Read24(input, 1), image.size()));
    pos = 4;
  }
  while (pos + 4 <= input.size()) {
    const std::size_t offset = Read24(input, pos) % FullSize;
    const std::size_t n = input[pos + 3];
    pos += 4;
    if (!patched) built.firstPatch = offset;
    patched = true;
    if (n == 0) {
      if (pos >= input.size()) break;
      const std::size_t blockEnd = std::min((offset / BlockSize + 1) * BlockSize, image.size());
      if (offset < blockEnd) std::fill(image.begin() + offset, image.begin() + blockEnd, input[pos]);
      ++pos;
      continue;
    }
    const std::size_t take = std::min(n, input.size() - pos);
    for (std::size_t k = 0; k < take && offset + k < image.size(); ++k) image[offset + k] = input[pos + k];
    pos += take;
  }
  return built;
}

// Writes an input, for seeds.
class InputWriter {
 public:
  explicit InputWriter(std::uint8_t flags) : bytes_{flags} {}
  InputWriter& CutTo(std::size_t size) {
    bytes_[0] |= CutImage;
    Put24(size);
    return *this;
  }
  // 1 to 255 bytes: an empty patch would read as a fill.
  InputWriter& Patch(std::size_t offset, std::span<const std::uint8_t> data) {
    if (data.empty() || data.size() > 255) throw std::length_error("a patch is 1 to 255 bytes");
    Put24(offset);
    bytes_.push_back(static_cast<std::uint8_t>(data.size()));
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return *this;
  }
  InputWriter& Patch(std::size_t offset, std::string_view text) {
    return Patch(offset, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  }
  InputWriter& FillBlockFrom(std::size_t offset, std::uint8_t value) {
    Put24(offset);
    bytes_.push_back(0);
    bytes_.push_back(value);
    return *this;
  }
  const Bytes& Input() const { return bytes_; }

 private:
  void Put24(std::size_t value) {
    for (int i = 0; i < 3; ++i) bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  Bytes bytes_;
};

}  // namespace fuzz_input
