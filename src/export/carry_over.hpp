#pragma once

// The previous day's last 15-minute slot, which the 0:00 rows of an interval
// day file fall back on. Filled by LoadCarryOver from the block of the day before.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "dump/block_image.hpp"
#include "export/sector_day.hpp"
#include "platform/failure.hpp"

namespace varkelo::exporting {

// What the 0:00 rows read of one meter in that slot. A default value is
// erased throughout: it reads as a slot with nothing in it.
struct CarryOverMeter {
  std::array<std::optional<std::uint32_t>, dump::interval::Directions> readings;
  std::optional<std::uint8_t> state;
  // The multiplier field's bytes as stored.
  std::array<std::uint8_t, dump::interval::MultiplierBytes> multiplier = {0xFF, 0xFF, 0xFF, 0xFF,
                                                                          0xFF, 0xFF, 0xFF};
};

// A default value is the reset table: no slot saved.
struct CarryOver {
  std::array<CarryOverMeter, dump::MeterCount> meters;
  std::optional<std::uint8_t> hour;
  std::optional<std::uint8_t> minute;
  std::optional<std::uint16_t> saveFlag;
};

// Resets `carry`, then loads the block of the day before `day` and, when its
// head holds that day, copies its last slot into `carry`. Leaves the image
// holding that block. Fails when the block cannot be read.
platform::Status LoadCarryOver(dump::BlockImage& image, const std::filesystem::path& imagePath,
                               const SectorDay& day, CarryOver& carry);

}  // namespace varkelo::exporting
