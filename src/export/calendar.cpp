#include "export/calendar.hpp"

#include <chrono>

namespace varkelo::exporting {
namespace {

Date AddDays(const Date& date, int days) {
  using namespace std::chrono;
  const year_month_day ymd{sys_days{year{date.year} / month{static_cast<unsigned>(date.month)} /
                                    day{static_cast<unsigned>(date.day)}} +
                           std::chrono::days{days}};
  return {static_cast<int>(ymd.year()), static_cast<std::int32_t>(static_cast<unsigned>(ymd.month())),
          static_cast<std::int32_t>(static_cast<unsigned>(ymd.day()))};
}

}  // namespace

std::optional<Date> SectorDate(std::int32_t year, std::int32_t month, std::int32_t day) {
  if (year < 0 || month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
  const std::chrono::year_month_day ymd{std::chrono::year{2000 + year},
                                        std::chrono::month{static_cast<unsigned>(month)},
                                        std::chrono::day{static_cast<unsigned>(day)}};
  if (!ymd.ok()) return std::nullopt;
  return Date{2000 + year, month, day};
}

Date NextDay(const Date& date) {
  return AddDays(date, 1);
}
Date PreviousDay(const Date& date) {
  return AddDays(date, -1);
}

}  // namespace varkelo::exporting
