#pragma once

// What every day file shares: the header line, the sector date that names the
// day, the clock of the half hours, and the frame that opens, fills and
// puts the file in place.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "dump/dump_image.hpp"
#include "export/calendar.hpp"
#include "export/csv_line.hpp"
#include "export/sector_head.hpp"
#include "text/line_writer.hpp"

namespace varkelo::exporting {

// One row group per half hour: a half-hourly slot, or two interval slots.
inline constexpr std::int32_t HalfHoursPerDay = dump::halfhour::Slots;

// The one header of both layouts' day files; the interval layout, too, titles
// columns 8 to 11 with the 30-minute names.
inline constexpr std::string_view DayFileHeader =
    "収集ID,年,月,日,時,分,リセットフラグ,30分使用電力量(順方向1),30分使用電力量(逆方向1),"
    "30分使用電力量(順方向2),30分使用電力量(順方向3),積算電力量(順方向1),積算電力量(逆方向1),"
    "積算電力量(順方向2),積算電力量(順方向3),乗率";

// A row with nothing in it: sixteen "-".
inline constexpr std::string_view EmptyRowLine = "-,-,-,-,-,-,-,-,-,-,-,-,-,-,-,-";

// HalfHourClock: 00:00 of the sector's date, 30 minutes more per half hour.
// Its five parts are formatted once per half hour, not once per row.
class HalfHourClock {
 public:
  enum Part { Year, Month, Day, Hour, Minute };

  explicit HalfHourClock(const Date& date) {
    // The year as its last two digits, the others without leading zeros.
    parts_[Year] = PartText(date.Year % 100, 2);
    parts_[Month] = PartText(date.Month, 1);
    parts_[Day] = PartText(date.Day, 1);
    SetHalfHour(0);
  }

  // Half hour h shows h × 30 minutes after midnight of the same day.
  void SetHalfHour(std::int32_t halfHour) {
    parts_[Hour] = PartText(halfHour / 2, 1);
    parts_[Minute] = PartText(halfHour % 2 * 30, 1);
  }

  std::string_view Text(Part part) const { return parts_[part].View(); }

  // Columns 2 to 6.
  void AppendAll(CsvLine& line) const {
    for (const PartText& part : parts_) line.Field(part.View());
  }

 private:
  // 0 to 99 in decimal, padded with zeros to `width` digits.
  struct PartText {
    PartText() = default;
    PartText(std::int32_t value, std::size_t width) {
      size = value >= 10 || width == 2 ? 2 : 1;
      digits[size - 1] = static_cast<char>('0' + value % 10);
      if (size == 2) digits[0] = static_cast<char>('0' + value / 10 % 10);
    }
    std::string_view View() const { return {digits.data(), size}; }

    std::array<char, 2> digits{};
    std::size_t size = 0;
  };

  std::array<PartText, 5> parts_;
};

// Reads the sector date, writes the header and has `writeRows`(clock, writer)
// write the 1920 rows, moving the clock on by half hours; it returns false to
// stop. The day file is replaced only when all of it was written: every error
// leaves the file that was there before, or none, and gives false.
template <typename RowWriter>
bool WriteDayFileFrame(const dump::Dump& dump, const std::filesystem::path& dayFile, RowWriter&& writeRows) {
  try {
    const std::optional<Date> date = SectorHeadDate(dump);
    if (!date) return false;
    text::LineWriter writer;
    if (!writer.Open(dayFile)) return false;
    HalfHourClock clock(*date);
    return writer.WriteLine(DayFileHeader) && writeRows(clock, writer) && writer.Close();
  } catch (...) {
    return false;
  }
}

}  // namespace varkelo::exporting
