// The start file of the day after an interval sector's day: its 0:00 rows come
// from the sector's last slot (which ends at midnight), all other rows
// are filler until that day's own sector replaces the file.

#include "export/next_day_start.hpp"

#include <array>
#include <cassert>
#include <optional>
#include <string>

#include "csv/csv_format.hpp"
#include "export/csv_line.hpp"
#include "export/day_file_format.hpp"
#include "export/export_failure.hpp"
#include "export/output_paths.hpp"
#include "export/slot_conditions.hpp"
#include "text/line_writer.hpp"

namespace varkelo::exporting {
namespace {

namespace interval = dump::interval;

constexpr std::int32_t MinutesPerDay = 24 * 60;
constexpr std::int32_t SlotMinutes = MinutesPerDay / interval::Slots;

// The rows of 0:00, held until it is known whether any carries a value.
class StartRows {
 public:
  StartRows() { text_.reserve(dump::MeterCount * 128); }

  void Add(std::string_view row) {
    text_.append(row);
    ends_[count_++] = text_.size();
  }

  std::string_view Row(std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(text_).substr(begin, ends_[i] - begin);
  }

  std::size_t Count() const { return count_; }

 private:
  std::string text_;
  std::array<std::size_t, dump::MeterCount> ends_{};
  std::size_t count_ = 0;
};

// Builds the 0:00 row of meter n; true when it carries a value (a "1" in
// column 7 or anything in columns 12 to 16, an empty multiplier included).
bool BuildStartRow(const dump::BlockImage& image, bool slotSaved, const SectorDay& nextDay,
                   std::optional<std::int32_t> startMinute, std::int32_t n, CsvLine& line) {
  line.Clear();
  line.Number(static_cast<std::uint64_t>(n));
  line.TwoDigits(nextDay.Year() % 100);
  line.Number(static_cast<std::uint64_t>(nextDay.Month()));
  line.Number(static_cast<std::uint64_t>(nextDay.Day()));
  if (startMinute) {
    line.Number(static_cast<std::uint64_t>(*startMinute / 60));
    line.Number(static_cast<std::uint64_t>(*startMinute % 60));
  } else {
    line.Missing();
    line.Missing();
  }

  // The day's last slot, whose end starts the next day.
  const interval::RecordFields record(interval::LastSlot, n);
  const CollectionState state =
      slotSaved ? CollectionState(image.Number(record.StateField())) : CollectionState();
  // A start row knows only the one slot, not the half hour around it: a slot
  // that does not count prints "-" in column 7, never the day rows' "0".
  const bool reset = state.CountsForReset();
  if (reset) {
    line.Field("1");
  } else {
    line.Missing();
  }
  // It holds no interval values: a day's own sector brings them.
  assert(line.Next() == csv::Column::Use1Forward);
  for (int column = 0; column < interval::Directions; ++column) line.Missing();

  std::optional<MeterReadings> readings;
  if (state.BitClear(StateBit::Readings)) readings = ReadMeterReadings(image, record);
  return AppendReadingsAndMultiplier(line, readings, [] { return std::optional<MeterReadings>(); }) || reset;
}

}  // namespace

platform::Status WriteNextDayStartFile(const dump::BlockImage& image, const SectorDay& day,
                                       const std::filesystem::path& path) {
  const SectorDay nextDay = day.Next();
  const interval::TrailerFields trailer(interval::LastSlot);
  const bool slotSaved = SlotSaved(image.Number(trailer.SaveFlagField()));
  std::optional<std::int32_t> startMinute;
  if (slotSaved) {
    const std::optional<std::int32_t> slotMinute =
        SlotMinuteOfDay(image.Number(trailer.HourField()), image.Number(trailer.MinuteField()));
    if (!slotMinute)
      return ExportFailure("the day's last slot, saved, has no time of day: cannot write", path);
    startMinute = (*slotMinute + SlotMinutes) % MinutesPerDay;
  }

  StartRows rows;
  CsvLine line;
  bool anyValue = false;
  for (std::int32_t n = 1; n <= dump::MeterCount; ++n) {
    anyValue = BuildStartRow(image, slotSaved, nextDay, startMinute, n, line) || anyValue;
    rows.Add(line.View());
  }
  if (!anyValue) return {};

  text::LineWriter writer;
  if (platform::Status opened = writer.Open(path); !opened) return opened;
  platform::Status written = writer.WriteLine(csv::NextDayStartHeader);
  for (std::size_t i = 0; written && i < rows.Count(); ++i) written = writer.WriteEncodedLine(rows.Row(i));
  // The other 47 half hours of the day.
  const std::int32_t fillerLines = (HalfHoursPerDay - 1) * dump::MeterCount;
  for (std::int32_t i = 0; written && i < fillerLines; ++i) written = writer.WriteEncodedLine(csv::EmptyRow);
  if (!written) return written;
  return writer.Close();
}

platform::Status WriteNextDayStart(const dump::BlockImage& image, const std::filesystem::path& gatewayFolder,
                                   const SectorDay& day) {
  const SectorDay nextDay = day.Next();
  if (platform::Status folder = EnsureFolder(DayFolder(gatewayFolder, nextDay)); !folder) return folder;
  const std::filesystem::path file = DayFile(gatewayFolder, nextDay);
  // A file of that day, whether its own day file or an earlier start, stays as it is;
  // a temporary file of a run that was killed is no file of that day.
  if (FileExists(file)) return {};
  return WriteNextDayStartFile(image, day, file);
}

}  // namespace varkelo::exporting
