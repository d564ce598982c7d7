#pragma once

// What the page shows of one gateway folder, read from the CSV files the
// export writes there: the meter list, every day file with the half-hourly
// consumption of each meter position, and the files that could not be read.
// Reading never changes the tree, and no file can make it fail: a file that
// is not a day file of this system is skipped and named with its reason.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dump/layout.hpp"
#include "platform/failure.hpp"

namespace varkelo::page {

// A day file holds a row for every half hour of the day and, in each row,
// the values of every meter position of the image.
inline constexpr int MeterPositions = dump::MeterCount;
inline constexpr int HalfHours = dump::halfhour::Slots;
// A half hour without a stored consumption value ("-" in the file).
inline constexpr std::int64_t NoValue = -1;

struct CalendarDay {
  int year = 0;
  int month = 0;
  int day = 0;
  auto operator<=>(const CalendarDay&) const = default;
};

// A day file of the export, or the start file it writes for the day after a
// day of the interval layout (only the first half hour's readings).
enum class DayFileKind { Day, NextDayStart };

struct MeterDay {
  // "30分使用電力量(順方向1)" of each half hour, NoValue where missing.
  std::array<std::int64_t, HalfHours> consumption{};
  // The first "乗率" of the day that is not "-", as stored; empty if none.
  std::string multiplier;
};

struct DayValues {
  CalendarDay date;
  DayFileKind kind = DayFileKind::Day;
  std::array<MeterDay, MeterPositions> meters;
};

// Why an entry of the tree is not read; the page shows ReasonText and the
// detail of the Failure that carries it.
enum class SkipReason {
  EmptyFile = 1,
  NoLastLineEnd,     // cut off: the last line does not end in CR LF
  TooLarge,          // larger than any file of this kind the export writes
  Unreadable,        // a file or entry that cannot be read; the system's text as detail
  FolderUnreadable,  // a folder whose entries cannot be listed
  NotOwnFileName,
  NotOwnFolderName,
  NotFileOrFolder,
  NotDayFile,  // the first line is no header of a day file
  LineCount,
  ColumnCount,
  NotMeterList,
};
std::string_view ReasonText(SkipReason reason);
inline std::error_code make_error_code(SkipReason reason) {
  return platform::OwnErrorCode(reason);
}

struct SkippedFile {
  std::string path;  // relative to the gateway folder, "/" between names
  std::string reason;
};

struct GatewayTree {
  std::string folderName;
  // The meter information of "ID.csv" for positions 1 to 40; empty when the
  // list is missing or could not be read (then it is among the skipped files).
  std::vector<std::string> meterInfo;
  std::vector<DayValues> days;  // oldest first
  std::vector<SkippedFile> skipped;
};

// Reads the tree under `gatewayFolder`. Files whose name is `ownPage` (the
// page itself) are neither read nor listed.
GatewayTree ReadGatewayTree(const std::filesystem::path& gatewayFolder, std::string_view ownPage);

// The values of one day file's bytes; fails with a SkipReason when the bytes
// are not a whole day file of this system. Exposed for the tests and the benchmark.
platform::Result<DayValues> ReadDayFile(std::string_view bytes, CalendarDay date);

// The 40 meter information texts of "ID.csv"'s bytes; fails with a SkipReason.
platform::Result<std::vector<std::string>> ReadMeterList(std::string_view bytes);

}  // namespace varkelo::page

template <>
struct std::is_error_code_enum<varkelo::page::SkipReason> : std::true_type {};
