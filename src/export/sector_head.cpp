#include "export/sector_head.hpp"

#include "export/slot_conditions.hpp"

namespace varkelo::exporting {
namespace {

// One-byte numbers; anything else is no part of a sector head.
std::int32_t HeadNumber(const dump::Dump& dump, std::int32_t index) {
  const std::optional<std::int64_t> number = TextNumber(dump.GetFieldText(index));
  return number && *number >= 0 && *number <= 255 ? static_cast<std::int32_t>(*number) : -1;
}

}  // namespace

SectorHead ReadSectorHead(const dump::Dump& dump) {
  return {HeadNumber(dump, dump::head::Year), HeadNumber(dump, dump::head::Month),
          HeadNumber(dump, dump::head::Day)};
}

std::optional<Date> SectorHeadDate(const dump::Dump& dump) {
  const SectorHead head = ReadSectorHead(dump);
  if (head.Year < 0 || head.Month < 0 || head.Day < 0) return std::nullopt;
  return SectorDate(head.Year, head.Month, head.Day);
}

}  // namespace varkelo::exporting
