// The day file of a half-hourly sector: each record is copied field by field,
// erased fields print "-".

#include <cassert>

#include "dump/block_image.hpp"
#include "export/csv_line.hpp"
#include "export/day_file_format.hpp"
#include "export/day_files.hpp"

namespace varkelo::exporting {
namespace {

namespace halfhour = dump::halfhour;

static_assert(dump::HalfHourGroup[halfhour::Multiplier].length <= CsvLine::MaxTextBytes);

void BuildRow(const dump::BlockImage& image, const halfhour::RecordFields& record, const HalfHourClock& clock,
              CsvLine& line) {
  line.Clear();
  line.Number(image.Number(record.CollectionIdField()));
  // The stored date and time only tell whether a column has a value; the
  // value printed is always the clock's.
  static constexpr HalfHourClock::Part Parts[] = {HalfHourClock::Part::Year, HalfHourClock::Part::Month,
                                                  HalfHourClock::Part::Day, HalfHourClock::Part::Hour,
                                                  HalfHourClock::Part::Minute};
  for (std::int32_t k = 0; k < 5; ++k) {
    if (image.Number(record.ClockField(k))) {
      clock.Append(Parts[k], line);
    } else {
      line.Missing();
    }
  }
  assert(line.Next() == csv::Column::ResetFlag);
  line.Number(image.Number(record.ResetFlagField()));
  for (std::int32_t k = 0; k < halfhour::ShownDirections; ++k)
    line.Number(image.Number(record.ConsumptionField(k)));
  for (std::int32_t k = 0; k < halfhour::ShownDirections; ++k)
    line.Number(image.Number(record.ReadingField(k)));
  assert(line.Next() == csv::Column::Multiplier);
  const dump::ByteText multiplier = image.Text(record.MultiplierField());
  if (multiplier.Erased()) {
    line.Missing();
  } else {
    line.Text(multiplier);
  }
}

}  // namespace

platform::Status WriteHalfHourDayFile(const dump::BlockImage& image, const SectorDay& day,
                                      const std::filesystem::path& dayFile) {
  return WriteDayFileFrame(day, dayFile, [&image](HalfHourClock& clock, text::LineWriter& writer) {
    CsvLine line;
    // One slot per half hour; its "保存完了フラグ" has no column.
    for (std::int32_t h = 0; h < HalfHoursPerDay; ++h) {
      clock.SetHalfHour(h);
      for (std::int32_t m = 1; m <= dump::MeterCount; ++m) {
        BuildRow(image, halfhour::RecordFields(h, m), clock, line);
        if (platform::Status written = writer.WriteEncodedLine(line.View()); !written) return written;
      }
    }
    return platform::Status();
  });
}

}  // namespace varkelo::exporting
