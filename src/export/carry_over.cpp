#include "export/carry_over.hpp"

#include "export/calendar.hpp"
#include "export/sector_head.hpp"

namespace varkelo::exporting {
namespace {

constexpr std::int32_t SlotHourIndex = 38691;
constexpr std::int32_t SlotMinuteIndex = 38692;
constexpr std::int32_t SlotSaveFlagIndex = 38693;
constexpr int FieldsPerMeter = 10;

}  // namespace

void CarryOver::Reset() {
  for (CarryOverRecord& record : CarryOverTable) {
    for (int k = 0; k < 4; ++k) record.Fields[k] = dump::ErasedWordText;
    for (int k = 4; k < 8; ++k) record.Fields[k] = dump::ErasedLongText;
    record.Fields[8] = dump::ErasedByteText;
    record.Fields[9] = dump::ErasedMultiplierText;
  }
  CarryOverHour = dump::ErasedByteText;
  CarryOverMinute = dump::ErasedByteText;
  CarryOverSaveFlag = dump::ErasedWordText;
}

std::int32_t BlockOfDate(std::int32_t month, std::int32_t day) {
  return month % 2 == 1 ? day : day + 31;
}

bool LoadCarryOver(dump::Dump& dump, const std::filesystem::path& imagePath, std::int32_t year,
                   std::int32_t month, std::int32_t day, CarryOver& carry) {
  try {
    carry.Reset();
    const std::optional<Date> current = SectorDate(year, month, day);
    if (!current) return false;
    const Date previous = PreviousDay(*current);

    if (!dump.LoadBlock(imagePath, BlockOfDate(previous.Month, previous.Day))) return false;

    // The block of that date may still hold an older day, or nothing.
    const SectorHead head = ReadSectorHead(dump);
    if (head.Year != previous.Year % 100 || head.Month != previous.Month || head.Day != previous.Day) {
      return true;
    }
    for (int n = 0; n < MeterPositions; ++n) {
      for (int k = 0; k < FieldsPerMeter; ++k) {
        carry.CarryOverTable[n].Fields[k] = dump.GetFieldText(LastSlotIndex + FieldsPerMeter * n + k).view();
      }
    }
    carry.CarryOverHour = dump.GetFieldText(SlotHourIndex).view();
    carry.CarryOverMinute = dump.GetFieldText(SlotMinuteIndex).view();
    carry.CarryOverSaveFlag = dump.GetFieldText(SlotSaveFlagIndex).view();
    return true;
  } catch (...) {
    carry.Reset();
    return false;
  }
}

}  // namespace varkelo::exporting
