#include "export/sector_head.hpp"

namespace varkelo::exporting {

std::optional<SectorHead> ReadSectorHead(const dump::Dump& dump) {
  const std::optional<std::uint8_t> year = dump.Number<std::uint8_t>(dump::head::Year);
  const std::optional<std::uint8_t> month = dump.Number<std::uint8_t>(dump::head::Month);
  const std::optional<std::uint8_t> day = dump.Number<std::uint8_t>(dump::head::Day);
  if (!year || !month || !day) return std::nullopt;
  return SectorHead{*year, *month, *day};
}

std::optional<Date> SectorHeadDate(const dump::Dump& dump) {
  const std::optional<SectorHead> head = ReadSectorHead(dump);
  if (!head) return std::nullopt;
  return SectorDate(head->year, head->month, head->day);
}

}  // namespace varkelo::exporting
