#pragma once

// The previous day's last 15-minute slot, which the 0:00 rows of an interval
// day file fall back on. Filled by LoadCarryOver from the block of the day before.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "dump/dump_image.hpp"

namespace varkelo::exporting {

struct CarryOverRecord {
  // The fields of the meter's interval record, in its order.
  std::array<std::string, dump::interval::RecordEntries> Fields;
};

struct CarryOver {
  std::array<CarryOverRecord, dump::MeterCount> CarryOverTable;
  std::string CarryOverHour;
  std::string CarryOverMinute;
  std::string CarryOverSaveFlag;

  CarryOver() { Reset(); }
  void Reset();
};

// Resets `carry`, then loads the block of the day before year/month/day and,
// when its header holds that day, copies its last slot into `carry`. Leaves the
// image holding that block. False when the block cannot be read or the date
// is no calendar date.
bool LoadCarryOver(dump::Dump& dump, const std::filesystem::path& imagePath, std::int32_t year,
                   std::int32_t month, std::int32_t day, CarryOver& carry);

}  // namespace varkelo::exporting
