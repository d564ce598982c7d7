#include "export/carry_over.hpp"

#include "export/calendar.hpp"
#include "export/sector_head.hpp"

namespace varkelo::exporting {

namespace interval = dump::interval;

void CarryOver::Reset() {
  for (CarryOverRecord& record : CarryOverTable) {
    for (int k = 0; k < interval::Directions; ++k) {
      record.Fields[interval::Interval + k] = dump::ErasedWordText;
      record.Fields[interval::Reading + k] = dump::ErasedLongText;
    }
    record.Fields[interval::State] = dump::ErasedByteText;
    record.Fields[interval::Multiplier] = dump::ErasedMultiplierText;
  }
  CarryOverHour = dump::ErasedByteText;
  CarryOverMinute = dump::ErasedByteText;
  CarryOverSaveFlag = dump::ErasedWordText;
}

bool LoadCarryOver(dump::Dump& dump, const std::filesystem::path& imagePath, std::int32_t year,
                   std::int32_t month, std::int32_t day, CarryOver& carry) {
  try {
    carry.Reset();
    const std::optional<Date> current = SectorDate(year, month, day);
    if (!current) return false;
    const Date previous = PreviousDay(*current);

    if (!dump.LoadBlock(imagePath, dump::BlockOfDate(previous.Month, previous.Day))) return false;

    // The block of that date may still hold an older day, or nothing.
    const SectorHead head = ReadSectorHead(dump);
    if (head.Year != previous.Year % 100 || head.Month != previous.Month || head.Day != previous.Day) {
      return true;
    }
    for (int n = 0; n < dump::MeterCount; ++n) {
      for (int k = 0; k < interval::RecordEntries; ++k) {
        carry.CarryOverTable[n].Fields[k] =
            dump.GetFieldText(interval::LastSlotRecord + interval::RecordEntries * n + k).view();
      }
    }
    carry.CarryOverHour = dump.GetFieldText(interval::LastSlotRecord + interval::TrailerHour).view();
    carry.CarryOverMinute = dump.GetFieldText(interval::LastSlotRecord + interval::TrailerMinute).view();
    carry.CarryOverSaveFlag = dump.GetFieldText(interval::LastSlotRecord + interval::TrailerSaveFlag).view();
    return true;
  } catch (...) {
    carry.Reset();
    return false;
  }
}

}  // namespace varkelo::exporting
