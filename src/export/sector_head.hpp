#pragma once

// The date in the head of a block (年, 月, 日), which names the day a sector holds.

#include <cstdint>
#include <optional>

#include "dump/dump_image.hpp"
#include "export/calendar.hpp"

namespace varkelo::exporting {

struct SectorHead {
  std::int32_t Year = -1;  // two-digit year of the 2000s; -1 when the text is no number
  std::int32_t Month = -1;
  std::int32_t Day = -1;

  // An erased head (any of the three 255) holds no day.
  bool Erased() const { return Year == 255 || Month == 255 || Day == 255; }
};

SectorHead ReadSectorHead(const dump::Dump& dump);

// The calendar date of the head, or none when its numbers form no date.
std::optional<Date> SectorHeadDate(const dump::Dump& dump);

}  // namespace varkelo::exporting
