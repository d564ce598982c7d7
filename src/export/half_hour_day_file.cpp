// The day file of a half-hourly sector: each record is copied field by field,
// erased fields print "-".

#include "dump/dump_image.hpp"
#include "export/csv_line.hpp"
#include "export/day_file_format.hpp"
#include "export/day_files.hpp"

namespace varkelo::exporting {
namespace {

namespace halfhour = dump::halfhour;

// Columns 8 to 11 and 12 to 15 show the first four of the six directions.
constexpr std::int32_t ShownDirections = 4;

void AppendUnlessErased(CsvLine& line, const dump::FieldText& value, std::string_view erased) {
  if (value == erased) {
    line.Missing();
  } else {
    line.Field(value);
  }
}

void BuildRow(const dump::Dump& dump, std::int32_t r, const HalfHourClock& clock, CsvLine& line) {
  line.Clear();
  AppendUnlessErased(line, dump.GetFieldText(r + halfhour::CollectionId), dump::ErasedByteText);
  // The stored date and time only tell whether a column has a value; the
  // value printed is always the clock's.
  static constexpr HalfHourClock::Part Parts[] = {HalfHourClock::Year, HalfHourClock::Month,
                                                  HalfHourClock::Day, HalfHourClock::Hour,
                                                  HalfHourClock::Minute};
  for (std::int32_t k = 0; k < 5; ++k) {
    if (dump.GetFieldText(r + halfhour::Clock + k) == dump::ErasedByteText) {
      line.Missing();
    } else {
      line.Field(clock.Text(Parts[k]));
    }
  }
  AppendUnlessErased(line, dump.GetFieldText(r + halfhour::ResetFlag), dump::ErasedWordText);
  for (std::int32_t k = 0; k < ShownDirections; ++k) {
    AppendUnlessErased(line, dump.GetFieldText(r + halfhour::Consumption + k), dump::ErasedLongText);
  }
  for (std::int32_t k = 0; k < ShownDirections; ++k) {
    AppendUnlessErased(line, dump.GetFieldText(r + halfhour::Reading + k), dump::ErasedLongText);
  }
  AppendUnlessErased(line, dump.GetFieldText(r + halfhour::Multiplier), dump::ErasedMultiplierText);
}

}  // namespace

bool WriteHalfHourDayFile(const dump::Dump& dump, const std::filesystem::path& dayFile) {
  return WriteDayFileFrame(dump, dayFile, [&dump](HalfHourClock& clock, text::LineWriter& writer) {
    CsvLine line;
    // One slot per half hour; its "保存完了フラグ" has no column.
    for (std::int32_t h = 0; h < HalfHoursPerDay; ++h) {
      clock.SetHalfHour(h);
      for (std::int32_t m = 1; m <= dump::MeterCount; ++m) {
        BuildRow(dump, halfhour::Record(h, m), clock, line);
        if (!writer.WriteLine(line.View())) return false;
      }
    }
    return true;
  });
}

}  // namespace varkelo::exporting
