#pragma once

// What every day file shares: the clock of the half hours, and the frame that opens, fills
// and puts the file in place.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "csv/csv_format.hpp"
#include "dump/layout.hpp"
#include "export/csv_line.hpp"
#include "export/sector_day.hpp"
#include "text/line_writer.hpp"

namespace varkelo::exporting {

// One row group per half hour: a half-hourly slot, or two interval slots.
inline constexpr std::int32_t HalfHoursPerDay = dump::halfhour::Slots;

// HalfHourClock: 00:00 of the sector's date, 30 minutes more per half hour.
class HalfHourClock {
 public:
  enum class Part { Year, Month, Day, Hour, Minute };

  explicit HalfHourClock(const SectorDay& day) : day_(day) {}

  // Half hour h shows h × 30 minutes after midnight of the same day.
  void SetHalfHour(std::int32_t halfHour) { halfHour_ = halfHour; }

  // One part: the year as its last two digits, the others without leading zeros.
  void Append(Part part, CsvLine& line) const {
    switch (part) {
      case Part::Year:
        line.TwoDigits(day_.Year() % 100);
        break;
      case Part::Month:
        line.Number(static_cast<std::uint64_t>(day_.Month()));
        break;
      case Part::Day:
        line.Number(static_cast<std::uint64_t>(day_.Day()));
        break;
      case Part::Hour:
        line.Number(static_cast<std::uint64_t>(halfHour_ / 2));
        break;
      case Part::Minute:
        line.Number(static_cast<std::uint64_t>(halfHour_ % 2 * 30));
        break;
    }
  }

  // Columns 2 to 6.
  void AppendAll(CsvLine& line) const {
    for (const Part part : {Part::Year, Part::Month, Part::Day, Part::Hour, Part::Minute}) Append(part, line);
  }

 private:
  SectorDay day_;
  std::int32_t halfHour_ = 0;
};

// Writes the header and has `writeRows`(clock, writer) write the 1920 rows of
// `day`, moving the clock on by half hours; a failure it returns stops the
// file. The day file is replaced only when all of it was written: every error
// leaves the file that was there before, or none.
template <typename RowWriter>
platform::Status WriteDayFileFrame(const SectorDay& day, const std::filesystem::path& dayFile,
                                   RowWriter&& writeRows) {
  text::LineWriter writer;
  if (platform::Status opened = writer.Open(dayFile); !opened) return opened;
  HalfHourClock clock(day);
  if (platform::Status header = writer.WriteLine(csv::DayFileHeader); !header) return header;
  if (platform::Status rows = writeRows(clock, writer); !rows) return rows;
  return writer.Close();
}

}  // namespace varkelo::exporting
