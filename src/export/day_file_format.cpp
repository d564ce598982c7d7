#include "export/day_file_format.hpp"

#include "export/slot_conditions.hpp"

namespace varkelo::exporting {

std::optional<Date> SectorHeadDate(const dump::Dump& dump) {
  const std::optional<std::int64_t> year = TextNumber(dump.GetFieldText(2));
  const std::optional<std::int64_t> month = TextNumber(dump.GetFieldText(3));
  const std::optional<std::int64_t> day = TextNumber(dump.GetFieldText(4));
  // One-byte numbers; anything wider is no date of a sector head.
  const auto isByte = [](const std::optional<std::int64_t>& n) { return n && *n >= 0 && *n <= 255; };
  if (!isByte(year) || !isByte(month) || !isByte(day)) return std::nullopt;
  return SectorDate(static_cast<std::int32_t>(*year), static_cast<std::int32_t>(*month),
                    static_cast<std::int32_t>(*day));
}

}  // namespace varkelo::exporting
