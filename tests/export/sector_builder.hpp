#pragma once

// Blocks of "read.nmd" built by hand: every byte starts erased (0xFF) and a
// test writes only the fields it needs, by catalogue index. ImageFile is a
// whole file of such blocks; ReadCsvLines reads back what the export wrote.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dump/block_image.hpp"
#include "dump/field_catalogue.hpp"
#include "dump/field_writer.hpp"
#include "dump/layout.hpp"
#include "export/sector_day.hpp"
#include "temp_folder.hpp"
#include "text/cp932.hpp"

namespace blocks {

namespace dump = varkelo::dump;

class SectorBuilder {
 public:
  // `catalogue`, of the block's layout, places the fields.
  explicit SectorBuilder(const dump::FieldCatalogue& catalogue) : catalogue_(&catalogue) {}

  // The block as an image the export reads.
  const dump::BlockImage& Loaded() {
    image_->LoadBlockBytes(bytes_);
    return *image_;
  }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

  void Number(std::int32_t index, std::uint32_t value) { Writer().Number(index, value); }
  void Text(std::int32_t index, std::string_view text) { Writer().Text(index, text); }
  // "\xFF" alone stands for an erased field.
  void TextOrErased(std::int32_t index, std::string_view text) {
    text == "\xFF" ? Writer().Fill(index, 0xFF) : Text(index, text);
  }
  void SetDate(int year, int month, int day) {
    Number(dump::head::Year, static_cast<std::uint32_t>(year));
    Number(dump::head::Month, static_cast<std::uint32_t>(month));
    Number(dump::head::Day, static_cast<std::uint32_t>(day));
  }

  struct HalfHourValues {
    std::uint8_t collectionId = 1;
    std::array<std::uint8_t, 5> clock = {12, 1, 5, 0, 0};  // stored 年 月 日 時 分
    std::uint16_t resetFlag = 0;
    std::array<std::uint32_t, 6> consumption = {10, 11, 12, 13, 14, 15};
    std::array<std::uint32_t, 6> readings = {100, 101, 102, 103, 104, 105};
    std::string_view multiplier = "1";  // "\xFF": an erased field
  };
  void SetHalfHourRecord(int halfHour, int meter, const HalfHourValues& v) {
    namespace halfhour = dump::halfhour;
    const std::int32_t r = halfhour::Record(halfHour, meter);
    Number(r + halfhour::CollectionId, v.collectionId);
    for (int k = 0; k < 5; ++k) Number(r + halfhour::Clock + k, v.clock[k]);
    Number(r + halfhour::ResetFlag, v.resetFlag);
    for (int k = 0; k < 6; ++k) Number(r + halfhour::Consumption + k, v.consumption[k]);
    for (int k = 0; k < 6; ++k) Number(r + halfhour::Reading + k, v.readings[k]);
    Text(r + halfhour::Status, "0000");
    TextOrErased(r + halfhour::Multiplier, v.multiplier);
  }

  // An interval slot's stored time and 保存完了フラグ (65535: not saved).
  void SetIntervalSlot(int slot, int hour, int minute, std::uint16_t saveFlag = 1) {
    const std::int32_t first = dump::interval::Record(slot, 1);
    Number(first + dump::interval::TrailerHour, static_cast<std::uint32_t>(hour));
    Number(first + dump::interval::TrailerMinute, static_cast<std::uint32_t>(minute));
    Number(first + dump::interval::TrailerSaveFlag, saveFlag);
  }
  // A saved slot with the time the gateway gives slot s (s × 15 minutes).
  void SaveIntervalSlot(int slot) { SetIntervalSlot(slot, slot / 4, slot % 4 * 15); }

  struct IntervalValues {
    std::array<std::uint16_t, 4> uses = {1, 2, 3, 4};  // 区間使用電力量, 65535 erased
    std::array<std::uint32_t, 4> readings = {1000, 1001, 1002, 1003};
    std::uint8_t state = 0;
    std::string_view multiplier = "10";  // "\xFF": an erased field
  };
  void SetIntervalMeter(int slot, int meter, const IntervalValues& v) {
    namespace interval = dump::interval;
    const std::int32_t q = interval::Record(slot, meter);
    for (int k = 0; k < 4; ++k) Number(q + interval::Interval + k, v.uses[k]);
    for (int k = 0; k < 4; ++k) Number(q + interval::Reading + k, v.readings[k]);
    Number(q + interval::State, v.state);
    TextOrErased(q + interval::Multiplier, v.multiplier);
  }

 private:
  dump::FieldWriter Writer() { return {*catalogue_, bytes_}; }

  const dump::FieldCatalogue* catalogue_;
  std::unique_ptr<dump::BlockImage> image_ = std::make_unique<dump::BlockImage>();
  std::vector<std::uint8_t> bytes_ = std::vector<std::uint8_t>(dump::DumpBlockSize, 0xFF);
};

// Block 0 in the configuration layout, the others in the given sector layout.
class ImageFile {
 public:
  explicit ImageFile(dump::Layout layout) : sectors_(layout) {
    for (int i = 0; i < dump::ImageBlocks; ++i)
      blocks_.emplace_back(i == dump::ConfigBlock ? config_ : sectors_);
  }

  SectorBuilder& Block(int block) { return blocks_.at(static_cast<std::size_t>(block)); }

  bool Write(const std::filesystem::path& path) const {
    std::vector<std::uint8_t> image;
    for (const SectorBuilder& block : blocks_)
      image.insert(image.end(), block.Bytes().begin(), block.Bytes().end());
    return WriteFileBytes(path, image);
  }

 private:
  dump::FieldCatalogue config_{dump::Layout::Config}, sectors_;
  std::vector<SectorBuilder> blocks_;
};

}  // namespace blocks

using blocks::ImageFile;
using blocks::SectorBuilder;

// The day whose head a loaded block holds, which must be a calendar day.
inline varkelo::exporting::SectorDay DayOf(const varkelo::dump::BlockImage& image) {
  return varkelo::exporting::SectorDay::Of(varkelo::exporting::ReadSectorHead(image).value()).value();
}

// A written CSV file as its lines, decoded from code page 932; every line must end in CR LF.
inline std::vector<std::string> ReadCsvLines(const std::filesystem::path& path) {
  const std::string bytes = ReadFileBytes(path);
  const std::string text = varkelo::text::DecodeCp932(
      std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  std::vector<std::string> lines;
  for (std::size_t begin = 0, end; begin < text.size(); begin = end + 2) {
    end = text.find("\r\n", begin);
    if (end == std::string::npos) {
      ADD_FAILURE() << "last line of " << path << " does not end in CR LF";
      end = text.size();
    }
    lines.push_back(text.substr(begin, end - begin));
  }
  return lines;
}

// Line (h, m) of a day file: the header is line 0 here.
constexpr std::size_t DayFileLine(int halfHour, int meter) {
  return static_cast<std::size_t>(1 + varkelo::dump::MeterCount * halfHour + (meter - 1));
}
// Lines of a day file or next-day start file: the header and a row per meter and half hour.
inline constexpr std::size_t DayFileLines = DayFileLine(varkelo::dump::halfhour::Slots, 1);
