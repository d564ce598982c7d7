#pragma once

// A block of "read.nmd" built by hand: every byte starts as 0xFF (erased), and
// the test places only the values it needs, at the byte offsets of the
// configuration block or of a half-hourly or interval sector. ImageFile is a
// whole file of such blocks.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

#include "dump/dump_image.hpp"

class SectorBuilder {
 public:
  SectorBuilder() = default;
  // Loaded() then hands `dump` over with this block as its image.
  explicit SectorBuilder(varkelo::dump::Dump& dump) : dump_(&dump) {}

  const varkelo::dump::Dump& Loaded() {
    dump_->LoadBlockBytes(image_);
    return *dump_;
  }
  const std::vector<std::uint8_t>& Bytes() const { return image_; }

  // The configuration block's "プログラムバージョン" and "Kov機器ID".
  void SetProgramVersion(std::string_view version) { SetText(120, version, 4); }
  void SetDeviceId(std::string_view id) { SetText(132, id, 12); }

  void SetDate(int year, int month, int day) {
    image_.at(4) = static_cast<std::uint8_t>(year);
    image_.at(5) = static_cast<std::uint8_t>(month);
    image_.at(6) = static_cast<std::uint8_t>(day);
  }

  void SetByte(std::size_t offset, std::uint8_t value) { image_.at(offset) = value; }
  void SetWord(std::size_t offset, std::uint16_t value) {
    for (std::size_t i = 0; i < 2; ++i) image_.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
  }
  void SetLong(std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) image_.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
  }
  // Single-byte text, padded with 0 bytes to the field's width.
  void SetText(std::size_t offset, std::string_view text, std::size_t width) {
    std::fill_n(image_.begin() + static_cast<std::ptrdiff_t>(offset), width, 0x00);
    std::memcpy(image_.data() + offset, text.data(), std::min(width, text.size()));
  }
  void Erase(std::size_t offset, std::size_t width) {
    std::fill_n(image_.begin() + static_cast<std::ptrdiff_t>(offset), width, 0xFF);
  }

  // ---- Half-hourly layout: 48 slots of 40 records of 68 bytes and a 4-byte trailer.
  static std::size_t HalfHourRecord(int halfHour, int meter) {
    return 8 + 2724 * halfHour + 68 * (meter - 1);
  }

  struct HalfHourValues {
    std::uint8_t CollectionId = 1;
    std::array<std::uint8_t, 5> Clock = {12, 1, 5, 0, 0};  // stored 年 月 日 時 分
    std::uint16_t ResetFlag = 0;
    std::array<std::uint32_t, 6> Consumption = {10, 11, 12, 13, 14, 15};
    std::array<std::uint32_t, 6> Readings = {100, 101, 102, 103, 104, 105};
    std::string_view Status = "0000";
    std::string_view Multiplier = "1";
  };

  void SetHalfHourRecord(int halfHour, int meter, const HalfHourValues& v) {
    const std::size_t r = HalfHourRecord(halfHour, meter);
    SetByte(r, v.CollectionId);
    for (std::size_t k = 0; k < 5; ++k) SetByte(r + 1 + k, v.Clock[k]);
    SetWord(r + 6, v.ResetFlag);
    for (std::size_t k = 0; k < 6; ++k) SetLong(r + 8 + 4 * k, v.Consumption[k]);
    for (std::size_t k = 0; k < 6; ++k) SetLong(r + 32 + 4 * k, v.Readings[k]);
    SetText(r + 56, v.Status, 4);
    SetText(r + 60, v.Multiplier, 8);
  }

  // ---- Interval layout: 96 slots of 40 records of 32 bytes and a 4-byte trailer.
  static std::size_t IntervalRecord(int slot, int meter) { return 8 + 1284 * slot + 32 * (meter - 1); }
  static std::size_t IntervalTrailer(int slot) { return 8 + 1284 * slot + 1280; }

  // The slot's 時, 分 and 保存完了フラグ (65535 = not saved).
  void SetIntervalSlot(int slot, int hour, int minute, std::uint16_t saveFlag = 1) {
    SetByte(IntervalTrailer(slot), static_cast<std::uint8_t>(hour));
    SetByte(IntervalTrailer(slot) + 1, static_cast<std::uint8_t>(minute));
    SetWord(IntervalTrailer(slot) + 2, saveFlag);
  }
  // A saved slot with the time the gateway gives slot s (s × 15 minutes).
  void SaveIntervalSlot(int slot) { SetIntervalSlot(slot, slot * 15 / 60, slot * 15 % 60, 1); }

  struct IntervalValues {
    std::array<std::uint16_t, 4> Uses = {1, 2, 3, 4};  // 区間使用電力量, 65535 = erased
    std::array<std::uint32_t, 4> Readings = {1000, 1001, 1002, 1003};
    std::uint8_t State = 0;
    std::string_view Multiplier = "10";
  };

  void SetIntervalMeter(int slot, int meter, const IntervalValues& v) {
    const std::size_t q = IntervalRecord(slot, meter);
    for (std::size_t k = 0; k < 4; ++k) SetWord(q + 2 * k, v.Uses[k]);
    for (std::size_t k = 0; k < 4; ++k) SetLong(q + 8 + 4 * k, v.Readings[k]);
    SetByte(q + 24, v.State);
    SetText(q + 25, v.Multiplier, 7);
  }
  void EraseIntervalMultiplier(int slot, int meter) { Erase(IntervalRecord(slot, meter) + 25, 7); }

 private:
  varkelo::dump::Dump* dump_ = nullptr;
  std::vector<std::uint8_t> image_ = std::vector<std::uint8_t>(varkelo::dump::DumpBlockSize, 0xFF);
};

class ImageFile {
 public:
  explicit ImageFile(std::size_t blocks = 64) : blocks_(blocks) {}

  SectorBuilder& Block(int block) { return blocks_.at(static_cast<std::size_t>(block)); }

  bool Write(const std::filesystem::path& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const SectorBuilder& block : blocks_) {
      out.write(reinterpret_cast<const char*>(block.Bytes().data()),
                static_cast<std::streamsize>(block.Bytes().size()));
    }
    return static_cast<bool>(out);
  }

 private:
  std::vector<SectorBuilder> blocks_;
};
