#include "export/sector_day.hpp"

#include "util/calendar.hpp"

namespace varkelo::exporting {

std::optional<SectorHead> ReadSectorHead(const dump::BlockImage& image) {
  const std::optional<std::uint8_t> year = image.Number(dump::head::YearField);
  const std::optional<std::uint8_t> month = image.Number(dump::head::MonthField);
  const std::optional<std::uint8_t> day = image.Number(dump::head::DayField);
  if (!year || !month || !day) return std::nullopt;
  return SectorHead{*year, *month, *day};
}

std::optional<SectorDay> SectorDay::Of(const SectorHead& head) {
  if (!util::IsCalendarDay(head.FullYear(), head.month, head.day)) return std::nullopt;
  return SectorDay(std::chrono::year_month_day{std::chrono::year{head.FullYear()},
                                               std::chrono::month{static_cast<unsigned>(head.month)},
                                               std::chrono::day{static_cast<unsigned>(head.day)}});
}

}  // namespace varkelo::exporting
