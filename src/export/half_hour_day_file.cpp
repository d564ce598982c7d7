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

void BuildRow(const dump::Dump& dump, std::int32_t r, const HalfHourClock& clock, CsvLine& line) {
  line.Clear();
  line.Number(dump.Number<std::uint8_t>(r + halfhour::CollectionId));
  // The stored date and time only tell whether a column has a value; the
  // value printed is always the clock's.
  static constexpr HalfHourClock::Part Parts[] = {HalfHourClock::Part::Year, HalfHourClock::Part::Month,
                                                  HalfHourClock::Part::Day, HalfHourClock::Part::Hour,
                                                  HalfHourClock::Part::Minute};
  for (std::int32_t k = 0; k < 5; ++k) {
    if (dump.Number<std::uint8_t>(r + halfhour::Clock + k)) {
      clock.Append(Parts[k], line);
    } else {
      line.Missing();
    }
  }
  line.Number(dump.Number<std::uint16_t>(r + halfhour::ResetFlag));
  for (std::int32_t k = 0; k < ShownDirections; ++k) {
    line.Number(dump.Number<std::uint32_t>(r + halfhour::Consumption + k));
  }
  for (std::int32_t k = 0; k < ShownDirections; ++k) {
    line.Number(dump.Number<std::uint32_t>(r + halfhour::Reading + k));
  }
  const dump::ByteText multiplier = dump.Text(r + halfhour::Multiplier);
  if (multiplier.Erased()) {
    line.Missing();
  } else {
    line.Text(multiplier);
  }
}

}  // namespace

platform::Status WriteHalfHourDayFile(const dump::Dump& dump, const std::filesystem::path& dayFile) {
  return WriteDayFileFrame(dump, dayFile, [&dump](HalfHourClock& clock, text::LineWriter& writer) {
    CsvLine line;
    // One slot per half hour; its "保存完了フラグ" has no column.
    for (std::int32_t h = 0; h < HalfHoursPerDay; ++h) {
      clock.SetHalfHour(h);
      for (std::int32_t m = 1; m <= dump::MeterCount; ++m) {
        BuildRow(dump, halfhour::Record(h, m), clock, line);
        if (platform::Status written = writer.WriteEncodedLine(line.View()); !written) return written;
      }
    }
    return platform::Status();
  });
}

}  // namespace varkelo::exporting
