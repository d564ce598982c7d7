// The day file of a half-hourly sector: each record is copied field by field,
// erased fields print "-".

#include "dump/dump_image.hpp"
#include "export/csv_line.hpp"
#include "export/day_file_format.hpp"
#include "export/day_files.hpp"

namespace varkelo::exporting {
namespace {

// Catalogue steps of the half-hourly layout.
constexpr std::int32_t FirstRecord = 6;
constexpr std::int32_t RecordEntries = 21;
// After 40 records the slot's "保存完了フラグ", which no column shows.
constexpr std::int32_t SlotTrailerEntries = 1;

// Offsets inside a record.
constexpr std::int32_t CollectionId = 0;
constexpr std::int32_t FirstClockField = 1;  // 年, 月, 日, 時, 分
constexpr std::int32_t ResetFlag = 6;
constexpr std::int32_t FirstConsumption = 7;  // 順方向1, 逆方向1, 順方向2, 順方向3
constexpr std::int32_t FirstReading = 13;     // same four directions
constexpr std::int32_t Multiplier = 20;

void AppendUnlessErased(CsvLine& line, const dump::FieldText& value, std::string_view erased) {
  if (value == erased) {
    line.Missing();
  } else {
    line.Field(value);
  }
}

void BuildRow(const dump::Dump& dump, std::int32_t r, const HalfHourClock& clock, CsvLine& line) {
  line.Clear();
  AppendUnlessErased(line, dump.GetFieldText(r + CollectionId), dump::ErasedByteText);
  // The stored date and time only tell whether a column has a value; the
  // value printed is always the clock's.
  static constexpr HalfHourClock::Part Parts[] = {HalfHourClock::Year, HalfHourClock::Month,
                                                  HalfHourClock::Day, HalfHourClock::Hour,
                                                  HalfHourClock::Minute};
  for (std::int32_t k = 0; k < 5; ++k) {
    if (dump.GetFieldText(r + FirstClockField + k) == dump::ErasedByteText) {
      line.Missing();
    } else {
      line.Field(clock.Text(Parts[k]));
    }
  }
  AppendUnlessErased(line, dump.GetFieldText(r + ResetFlag), dump::ErasedWordText);
  for (std::int32_t k = 0; k < 4; ++k) {
    AppendUnlessErased(line, dump.GetFieldText(r + FirstConsumption + k), dump::ErasedLongText);
  }
  for (std::int32_t k = 0; k < 4; ++k) {
    AppendUnlessErased(line, dump.GetFieldText(r + FirstReading + k), dump::ErasedLongText);
  }
  AppendUnlessErased(line, dump.GetFieldText(r + Multiplier), dump::ErasedMultiplierText);
}

}  // namespace

bool WriteHalfHourDayFile(const dump::Dump& dump, const std::filesystem::path& dayFile) {
  return WriteDayFileFrame(dump, dayFile, [&dump](HalfHourClock& clock, text::LineWriter& writer) {
    CsvLine line;
    std::int32_t r = FirstRecord;
    for (std::int32_t h = 0; h < HalfHoursPerDay; ++h) {
      clock.SetHalfHour(h);
      for (std::int32_t m = 1; m <= MeterPositions; ++m) {
        BuildRow(dump, r, clock, line);
        if (!writer.WriteLine(line.View())) return false;
        r += RecordEntries;
      }
      r += SlotTrailerEntries;
    }
    return true;
  });
}

}  // namespace varkelo::exporting
