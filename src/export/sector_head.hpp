#pragma once

// The date in the head of a block (年, 月, 日), which names the day a sector holds.

#include <cstdint>
#include <optional>

#include "dump/dump_image.hpp"
#include "export/calendar.hpp"

namespace varkelo::exporting {

// The head's numbers as stored, 0 to 254 each.
struct SectorHead {
  std::int32_t year = 0;  // two-digit year of the 2000s
  std::int32_t month = 0;
  std::int32_t day = 0;
};

// None when any of the three is erased: the block holds no day.
std::optional<SectorHead> ReadSectorHead(const dump::Dump& dump);

// The calendar date of the head, or none when it holds no day or its numbers form no date.
std::optional<Date> SectorHeadDate(const dump::Dump& dump);

}  // namespace varkelo::exporting
