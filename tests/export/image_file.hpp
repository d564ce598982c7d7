#pragma once

// A whole "read.nmd" built by hand in memory: 64 erased blocks with the bytes
// a test needs placed at their layout offsets.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

class ImageFile {
 public:
  static constexpr std::size_t BlockSize = 131072;

  explicit ImageFile(std::size_t blocks = 64) : bytes_(blocks * BlockSize, 0xFF) {}

  std::uint8_t* Block(int block) { return bytes_.data() + BlockSize * block; }

  void SetText(int block, std::size_t offset, std::string_view text, std::size_t width) {
    std::uint8_t* at = Block(block) + offset;
    std::fill(at, at + width, 0x00);
    std::memcpy(at, text.data(), std::min(width, text.size()));
  }
  void SetProgramVersion(std::string_view version) { SetText(0, 120, version, 4); }
  void SetDeviceId(std::string_view id) { SetText(0, 132, id, 12); }

  void SetDate(int block, int year, int month, int day) {
    Block(block)[4] = static_cast<std::uint8_t>(year);
    Block(block)[5] = static_cast<std::uint8_t>(month);
    Block(block)[6] = static_cast<std::uint8_t>(day);
  }

  void SetWord(int block, std::size_t offset, std::uint16_t v) {
    Block(block)[offset] = v & 0xFF;
    Block(block)[offset + 1] = v >> 8;
  }
  void SetLong(int block, std::size_t offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) Block(block)[offset + i] = (v >> (8 * i)) & 0xFF;
  }

  // Interval layout: slot s of a sector, meter group m (1 to 40), and the slot's trailer.
  static std::size_t IntervalGroup(int slot, int meter) { return 8 + 1284 * slot + 32 * (meter - 1); }
  static std::size_t IntervalTrailer(int slot) { return 8 + 1284 * slot + 1280; }

  void SetIntervalSlot(int block, int slot, int hour, int minute, std::uint16_t saveFlag) {
    Block(block)[IntervalTrailer(slot)] = static_cast<std::uint8_t>(hour);
    Block(block)[IntervalTrailer(slot) + 1] = static_cast<std::uint8_t>(minute);
    SetWord(block, IntervalTrailer(slot) + 2, saveFlag);
  }
  void SetIntervalMeter(int block, int slot, int meter, std::uint16_t use, std::uint32_t reading,
                        std::uint8_t state, std::string_view multiplier) {
    const std::size_t g = IntervalGroup(slot, meter);
    for (int k = 0; k < 4; ++k) SetWord(block, g + 2 * k, use);
    for (int k = 0; k < 4; ++k) SetLong(block, g + 8 + 4 * k, reading + k);
    Block(block)[g + 24] = state;
    SetText(block, g + 25, multiplier, 7);
  }

  bool Write(const std::filesystem::path& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
    return static_cast<bool>(out);
  }

  std::vector<std::uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};
