#pragma once

// The day a sector holds: the date in the head of its block (年, 月, 日) as
// stored, and, checked once where the block is loaded, the calendar day it
// names, which the day folder, the day file, the carry-over and the next-day
// start file take.

#include <chrono>
#include <cstdint>
#include <optional>

#include "dump/block_image.hpp"

namespace varkelo::exporting {

// The head's numbers as stored, 0 to 254 each; the year is the year of the 2000s.
struct SectorHead {
  std::int32_t year = 0;
  std::int32_t month = 0;
  std::int32_t day = 0;

  // The year with its century: 12 is 2012, 123 is 2123.
  std::int32_t FullYear() const { return 2000 + year; }
};

// None when any of the three is erased: the block holds no day.
std::optional<SectorHead> ReadSectorHead(const dump::BlockImage& image);

class SectorDay {
 public:
  // The day the head names; none when its numbers form no calendar date
  // (month 13, 30 February, day 0).
  static std::optional<SectorDay> Of(const SectorHead& head);

  // The year with its century, 2000 to 2255.
  std::int32_t Year() const { return static_cast<int>(date_.year()); }
  std::int32_t Month() const { return static_cast<std::int32_t>(static_cast<unsigned>(date_.month())); }
  std::int32_t Day() const { return static_cast<std::int32_t>(static_cast<unsigned>(date_.day())); }

  SectorDay Next() const { return SectorDay(std::chrono::sys_days(date_) + std::chrono::days(1)); }
  SectorDay Previous() const { return SectorDay(std::chrono::sys_days(date_) - std::chrono::days(1)); }

  // The head of a block holds this day.
  bool IsIn(const SectorHead& head) const {
    return head.FullYear() == Year() && head.month == Month() && head.day == Day();
  }

 private:
  explicit SectorDay(std::chrono::year_month_day date) : date_(date) {}
  std::chrono::year_month_day date_;
};

}  // namespace varkelo::exporting
