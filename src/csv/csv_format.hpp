#pragma once

// The CSV files of the output tree, as the export writes them and the page
// reads them: the headers, the columns of a day file's row, the counts of
// rows, what a missing value prints as, and the splitting of a row.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "dump/layout.hpp"

namespace varkelo::csv {

// The columns of a row of a day file or a next-day start file, in order.
enum class Column : std::uint8_t {
  CollectionId,
  Year,
  Month,
  Day,
  Hour,
  Minute,
  ResetFlag,
  Use1Forward,  // "30分使用電力量(順方向1)", in a start file "区間使用電力量(順方向1)"
  Use1Reverse,
  Use2Forward,
  Use3Forward,
  Reading1Forward,  // "積算電力量(順方向1)"
  Reading1Reverse,
  Reading2Forward,
  Reading3Forward,
  Multiplier,
};
inline constexpr std::size_t Columns = static_cast<std::size_t>(Column::Multiplier) + 1;

constexpr std::size_t IndexOf(Column column) {
  return static_cast<std::size_t>(column);
}

// The day file's header of both layouts; the interval layout, too, titles the
// use columns with the 30-minute names.
inline constexpr std::string_view DayFileHeader =
    "収集ID,年,月,日,時,分,リセットフラグ,30分使用電力量(順方向1),30分使用電力量(逆方向1),"
    "30分使用電力量(順方向2),30分使用電力量(順方向3),積算電力量(順方向1),積算電力量(逆方向1),"
    "積算電力量(順方向2),積算電力量(順方向3),乗率";
// The next-day start file titles the use columns by the interval names.
inline constexpr std::string_view NextDayStartHeader =
    "収集ID,年,月,日,時,分,リセットフラグ,区間使用電力量(順方向1),区間使用電力量(逆方向1),"
    "区間使用電力量(順方向2),区間使用電力量(順方向3),積算電力量(順方向1),積算電力量(逆方向1),"
    "積算電力量(順方向2),積算電力量(順方向3),乗率";

// What a missing value prints as, and a row of nothing else.
inline constexpr std::string_view Missing = "-";
inline constexpr std::string_view EmptyRow = "-,-,-,-,-,-,-,-,-,-,-,-,-,-,-,-";
static_assert(EmptyRow.size() == 2 * Columns - 1);

// A day file and a start file: the header, then for each half hour a row per meter position.
inline constexpr std::size_t DayFileRows = std::size_t{dump::halfhour::Slots} * dump::MeterCount;
inline constexpr std::size_t DayFileLines = 1 + DayFileRows;

// "ID.csv": the header, then a line per meter position.
inline constexpr std::string_view MeterListHeader = "収集ID,計器情報";
inline constexpr std::size_t MeterListLines = 1 + dump::MeterCount;

// The columns of a row (no line end); none unless it holds exactly Columns.
std::optional<std::array<std::string_view, Columns>> SplitRow(std::string_view row);

}  // namespace varkelo::csv
