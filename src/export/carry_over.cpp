#include "export/carry_over.hpp"

#include <algorithm>

#include "export/calendar.hpp"
#include "export/sector_head.hpp"

namespace varkelo::exporting {

namespace interval = dump::interval;

bool LoadCarryOver(dump::Dump& dump, const std::filesystem::path& imagePath, std::int32_t year,
                   std::int32_t month, std::int32_t day, CarryOver& carry) {
  try {
    carry = CarryOver{};
    const std::optional<Date> current = SectorDate(year, month, day);
    if (!current) return false;
    const Date previous = PreviousDay(*current);

    if (!dump.LoadBlock(imagePath, dump::BlockOfDate(previous.month, previous.day))) return false;

    // The block of that date may still hold an older day, or nothing.
    const std::optional<SectorHead> head = ReadSectorHead(dump);
    if (!head || head->year != previous.year % 100 || head->month != previous.month ||
        head->day != previous.day) {
      return true;
    }
    for (std::int32_t n = 0; n < dump::MeterCount; ++n) {
      const std::int32_t record = interval::LastSlotRecord + interval::RecordEntries * n;
      CarryOverMeter& meter = carry.meters[static_cast<std::size_t>(n)];
      for (std::int32_t k = 0; k < interval::Directions; ++k) {
        meter.readings[static_cast<std::size_t>(k)] =
            dump.Number<std::uint32_t>(record + interval::Reading + k);
      }
      meter.state = dump.Number<std::uint8_t>(record + interval::State);
      const std::span<const std::uint8_t> multiplier = dump.Bytes(record + interval::Multiplier);
      std::copy_n(multiplier.begin(), std::min(multiplier.size(), meter.multiplier.size()),
                  meter.multiplier.begin());
    }
    carry.hour = dump.Number<std::uint8_t>(interval::LastSlotRecord + interval::TrailerHour);
    carry.minute = dump.Number<std::uint8_t>(interval::LastSlotRecord + interval::TrailerMinute);
    carry.saveFlag = dump.Number<std::uint16_t>(interval::LastSlotRecord + interval::TrailerSaveFlag);
    return true;
  } catch (...) {
    carry = CarryOver{};
    return false;
  }
}

}  // namespace varkelo::exporting
