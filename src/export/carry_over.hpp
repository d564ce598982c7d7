#pragma once

// The previous day's last 15-minute slot, which the 0:00 rows of an interval
// day file fall back on. Filled by LoadCarryOver from the block of the day before.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "dump/dump_image.hpp"

namespace varkelo::exporting {

inline constexpr int MeterPositions = 40;
// Catalogue index of meter 1's first field in slot 95 of the interval layout.
inline constexpr std::int32_t LastSlotIndex = 38291;

struct CarryOverRecord {
  // Interval values 0-3, readings 4-7, collection state 8, multiplier 9.
  std::array<std::string, 10> Fields;
};

struct CarryOver {
  std::array<CarryOverRecord, MeterPositions> CarryOverTable;
  std::string CarryOverHour;
  std::string CarryOverMinute;
  std::string CarryOverSaveFlag;

  CarryOver() { Reset(); }
  void Reset();
};

// The block that holds a date: the day for odd months, day + 31 for even months.
std::int32_t BlockOfDate(std::int32_t month, std::int32_t day);

// Resets `carry`, then loads the block of the day before year/month/day and,
// when its header holds that day, copies its slot 95 into `carry`. Leaves the
// image holding that block. False when the block cannot be read or the date
// is no calendar date.
bool LoadCarryOver(dump::Dump& dump, const std::filesystem::path& imagePath, std::int32_t year,
                   std::int32_t month, std::int32_t day, CarryOver& carry);

}  // namespace varkelo::exporting
