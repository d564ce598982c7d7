#pragma once

// Dates of the sector heads: a one-byte year of the 2000s, a month and a day.

#include <cstdint>
#include <optional>

namespace varkelo::exporting {

struct Date {
  std::int32_t year = 0;  // full year, e.g. 2012
  std::int32_t month = 0;
  std::int32_t day = 0;
  friend bool operator==(const Date&, const Date&) = default;
};

// The date of a sector head (year 12 is 2012), or none when the numbers form
// no calendar date (month 13, 30 February, day 0).
std::optional<Date> SectorDate(std::int32_t year, std::int32_t month, std::int32_t day);

Date NextDay(const Date& date);
Date PreviousDay(const Date& date);

}  // namespace varkelo::exporting
