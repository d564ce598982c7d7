#include "util/calendar.hpp"

#include <chrono>

namespace varkelo::util {

bool IsCalendarDay(int year, int month, int day) {
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  return std::chrono::year_month_day{std::chrono::year{year},
                                     std::chrono::month{static_cast<unsigned>(month)},
                                     std::chrono::day{static_cast<unsigned>(day)}}
      .ok();
}

}  // namespace varkelo::util
