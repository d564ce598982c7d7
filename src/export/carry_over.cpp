#include "export/carry_over.hpp"

#include <algorithm>
#include <string>

#include "export/calendar.hpp"
#include "export/export_failure.hpp"
#include "export/sector_head.hpp"

namespace varkelo::exporting {

namespace interval = dump::interval;

platform::Status LoadCarryOver(dump::Dump& dump, const std::filesystem::path& imagePath, std::int32_t year,
                               std::int32_t month, std::int32_t day, CarryOver& carry) {
  try {
    carry = CarryOver{};
    const std::optional<Date> current = SectorDate(year, month, day);
    if (!current) {
      return ExportFailure("the sector's date is no calendar date: cannot find the day before in", imagePath);
    }
    const Date previous = PreviousDay(*current);

    if (platform::Status loaded = dump.LoadBlock(imagePath, dump::BlockOfDate(previous.month, previous.day));
        !loaded) {
      return loaded;
    }

    // The block of that date may still hold an older day, or nothing.
    const std::optional<SectorHead> head = ReadSectorHead(dump);
    if (!head || head->year != previous.year % 100 || head->month != previous.month ||
        head->day != previous.day) {
      return {};
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
    return {};
  } catch (const std::exception& e) {
    carry = CarryOver{};
    return ExportFailure(std::string("cannot read the day before (") + e.what() + ") in", imagePath);
  }
}

}  // namespace varkelo::exporting
