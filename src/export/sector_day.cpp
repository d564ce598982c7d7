#include "export/sector_day.hpp"

namespace varkelo::exporting {

std::optional<SectorHead> ReadSectorHead(const dump::BlockImage& image) {
  const std::optional<std::uint8_t> year = image.Number(dump::head::YearField);
  const std::optional<std::uint8_t> month = image.Number(dump::head::MonthField);
  const std::optional<std::uint8_t> day = image.Number(dump::head::DayField);
  if (!year || !month || !day) return std::nullopt;
  return SectorHead{*year, *month, *day};
}

std::optional<SectorDay> SectorDay::Of(const SectorHead& head) {
  const std::chrono::year_month_day date{std::chrono::year{head.FullYear()},
                                         std::chrono::month{static_cast<unsigned>(head.month)},
                                         std::chrono::day{static_cast<unsigned>(head.day)}};
  if (!date.ok()) return std::nullopt;
  return SectorDay(date);
}

}  // namespace varkelo::exporting
