#pragma once

// Realistic "read.nmd" images for tests, benchmarks, the gateway simulator and
// demonstrations: a configuration block and one day per sector block, as a
// gateway of either measurement layout stores them, made from a seed.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "dump/layout.hpp"
#include "platform/failure.hpp"

namespace varkelo::tools {

enum class SampleLayout { HalfHour, Interval };

struct SampleOptions {
  SampleLayout layout = SampleLayout::Interval;
  std::uint32_t seed = 1;
  // First stored day; the year is the two-digit year of the 2000s.
  int firstYear = 12, firstMonth = 12, firstDay = 10;
  // Consecutive days stored, each at the block of its date; a later day takes
  // the block of an earlier one that maps to the same block.
  int days = 40;
  // Meter positions 1 to configuredMeters carry data; the others are erased.
  int configuredMeters = 12;
  // Up to 12 printable ASCII characters.
  std::string deviceId = "SG012345ABCD";
};

struct SampleDate {
  int year = 0;  // four digits
  int month = 0;
  int day = 0;
  friend bool operator==(const SampleDate&, const SampleDate&) = default;
};

struct SampleDay {
  SampleDate date;
  int block = 0;
};

// A run of slots of one stored day whose save flag is left erased. With
// DataErased the slots were never written (every byte 0xFF); otherwise their
// values were written but the flag was not.
struct SampleGap {
  SampleDate date;
  int firstSlot = 0;
  int slotCount = 0;
  bool dataErased = false;
};

// What an image made from the same options holds.
struct SamplePlan {
  std::vector<SampleDay> days;  // the days present, in date order
  // A day two months or more before a day just outside the stored range that
  // maps to the same block: exported as a day of its own, the previous day of
  // none. Absent when every block is taken.
  std::optional<SampleDay> olderDay;
  std::vector<SampleGap> gaps;
};

// Every block the export reads.
inline constexpr std::size_t SampleImageSize = std::size_t{dump::ImageBlocks} * dump::DumpBlockSize;

// Fails, saying why, for options that cannot make an image.
platform::Status CheckSampleOptions(const SampleOptions& options);

// Empty plan for options that CheckSampleOptions refuses.
SamplePlan PlanSampleImage(const SampleOptions& options);

// dump::ImageBlocks blocks; empty for options that CheckSampleOptions refuses.
std::vector<std::uint8_t> MakeSampleImage(const SampleOptions& options);

// Writes the image whole or not at all. Fails when the options are refused or
// the file cannot be written.
platform::Status WriteSampleImage(const SampleOptions& options, const std::filesystem::path& path);

}  // namespace varkelo::tools
