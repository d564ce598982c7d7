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

namespace varkelo::tools {

enum class SampleLayout { HalfHour, Interval };

struct SampleOptions {
  SampleLayout Layout = SampleLayout::Interval;
  std::uint32_t Seed = 1;
  // First stored day; the year is the two-digit year of the 2000s.
  int FirstYear = 12, FirstMonth = 12, FirstDay = 10;
  // Consecutive days stored, each at the block of its date; a later day takes
  // the block of an earlier one that maps to the same block.
  int Days = 40;
  // Meter positions 1 to ConfiguredMeters carry data; the others are erased.
  int ConfiguredMeters = 12;
  // Up to 12 printable ASCII characters.
  std::string DeviceId = "SG012345ABCD";
};

struct SampleDate {
  int Year = 0;  // four digits
  int Month = 0;
  int Day = 0;
  friend bool operator==(const SampleDate&, const SampleDate&) = default;
};

struct SampleDay {
  SampleDate Date;
  int Block = 0;
};

// A run of slots of one stored day whose save flag is left erased. With
// DataErased the slots were never written (every byte 0xFF); otherwise their
// values were written but the flag was not.
struct SampleGap {
  SampleDate Date;
  int FirstSlot = 0;
  int SlotCount = 0;
  bool DataErased = false;
};

// What an image made from the same options holds.
struct SamplePlan {
  std::vector<SampleDay> Days;  // the days present, in date order
  // A day two months or more before a day just outside the stored range that
  // maps to the same block: exported as a day of its own, the previous day of
  // none. Absent when every block is taken.
  std::optional<SampleDay> OlderDay;
  std::vector<SampleGap> Gaps;
};

// Every block the export reads.
inline constexpr std::size_t SampleImageSize = std::size_t{dump::ImageBlocks} * dump::DumpBlockSize;

// True when the options can make an image; otherwise false, with the reason in *problem.
bool CheckSampleOptions(const SampleOptions& options, std::string* problem = nullptr);

// Empty plan for options that CheckSampleOptions refuses.
SamplePlan PlanSampleImage(const SampleOptions& options);

// dump::ImageBlocks blocks; empty for options that CheckSampleOptions refuses.
std::vector<std::uint8_t> MakeSampleImage(const SampleOptions& options);

// False when the options are refused or the file cannot be written.
bool WriteSampleImage(const SampleOptions& options, const std::filesystem::path& path);

}  // namespace varkelo::tools
