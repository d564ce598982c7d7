#include "page/gateway_tree.hpp"

#include <algorithm>
#include <charconv>
#include <system_error>
#include <utility>

#include "csv/csv_format.hpp"
#include "platform/failure.hpp"
#include "platform/files.hpp"
#include "platform/utf8_path.hpp"
#include "text/cp932.hpp"
#include "util/calendar.hpp"

namespace varkelo::page {
namespace {

// A day file of this system stays far below this; anything larger is not one.
constexpr std::uintmax_t LargestDayFile = 1024 * 1024;
constexpr std::uintmax_t LargestMeterList = 64 * 1024;
// Longer multiplier texts are cut for the page.
constexpr std::size_t LongestMultiplier = 32;

// Why an entry is skipped, with a detail for the reason's text where there is one.
platform::Failure Skipped(SkipReason reason, std::string detail = {}) {
  return {.what = std::move(detail), .subject = {}, .error = make_error_code(reason)};
}

// The text the page shows: the reason, then its detail in brackets.
std::string SkipText(const platform::Failure& failure) {
  std::string text = platform::ErrorText(failure.error);
  if (!failure.what.empty()) text += "（" + failure.what + "）";
  return text;
}

std::string Decoded(std::string_view bytes) {
  return text::DecodeCp932({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

// The lines of a text whose every line ends in CR LF.
platform::Result<std::vector<std::string_view>> CrLfLines(std::string_view bytes) {
  if (bytes.empty()) return Skipped(SkipReason::EmptyFile);
  if (!bytes.ends_with("\r\n")) return Skipped(SkipReason::NoLastLineEnd);
  std::vector<std::string_view> lines;
  lines.reserve(csv::DayFileLines);
  while (!bytes.empty()) {
    const std::size_t end = bytes.find("\r\n");
    lines.push_back(bytes.substr(0, end));
    bytes.remove_prefix(end + 2);
  }
  return lines;
}

// A number of at most 15 decimal digits; none for "-" or anything else.
std::int64_t ValueOf(std::string_view field) {
  if (field.empty() || field.size() > 15) return NoValue;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (error != std::errc() || end != field.data() + field.size() || value < 0) return NoValue;
  return value;
}

std::string LineNumber(std::size_t index) {
  return std::to_string(index + 1) + " 行目";
}

bool AllDigits(std::string_view name) {
  return std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int NumberOf(std::string_view digits) {
  int value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return value;
}

// The whole regular file, at most `largest` bytes.
platform::Result<std::string> ReadWhole(const std::filesystem::path& path, std::uintmax_t largest) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (!error && size > largest) return Skipped(SkipReason::TooLarge, std::to_string(size) + " バイト");
  platform::Result<platform::RegularFile> file = platform::RegularFile::OpenForReading(path);
  if (!file) return Skipped(SkipReason::Unreadable, platform::ErrorText(file.Reason().error));
  platform::Result<std::string> read = file->ReadAll();
  if (!read) return Skipped(SkipReason::Unreadable, platform::ErrorText(read.Reason().error));
  return std::move(*read);
}

class TreeReader {
 public:
  TreeReader(GatewayTree& tree, std::string_view ownPage) : tree_(tree), ownPage_(ownPage) {}

  void ReadGatewayFolder(const std::filesystem::path& folder) {
    for (const auto& [name, path] : Entries(folder, ".")) {
      if (name == ownPage_) continue;
      const platform::EntryKind kind = platform::KindOfEntry(path);
      if (name == "ID.csv" && kind == platform::EntryKind::RegularFile) {
        ReadMeterListFile(path);
      } else if (kind == platform::EntryKind::Folder && name.size() == 6 && AllDigits(name) &&
                 util::IsCalendarDay(2000, NumberOf(name.substr(4)), 1)) {
        ReadMonthFolder(path, name);
      } else {
        Skip(name, kind);
      }
    }
  }

 private:
  // The entries of a folder by name, in order; an unreadable folder is skipped.
  std::vector<std::pair<std::string, std::filesystem::path>> Entries(const std::filesystem::path& folder,
                                                                     std::string_view relative) {
    std::vector<std::pair<std::string, std::filesystem::path>> entries;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
      entries.emplace_back(platform::Utf8FromPath(it->path().filename()), it->path());
    }
    if (error) Skip(relative, Skipped(SkipReason::FolderUnreadable, platform::ErrorText(error)));
    std::sort(entries.begin(), entries.end());
    return entries;
  }

  void ReadMonthFolder(const std::filesystem::path& folder, const std::string& month) {
    for (const auto& [name, path] : Entries(folder, month)) {
      const std::string relative = month + "/" + name;
      const platform::EntryKind kind = platform::KindOfEntry(path);
      // YYYYMMDD.csv in the folder YYYYMM.
      const bool dayName = name.size() == 12 && name.ends_with(".csv") && name.starts_with(month) &&
                           AllDigits(name.substr(0, 8));
      const CalendarDay date{NumberOf(name.substr(0, 4)), NumberOf(month.substr(4)),
                             dayName ? NumberOf(name.substr(6, 2)) : 0};
      if (!dayName || !util::IsCalendarDay(date.year, date.month, date.day) ||
          kind != platform::EntryKind::RegularFile) {
        Skip(relative, kind);
        continue;
      }
      const platform::Result<std::string> bytes = ReadWhole(path, LargestDayFile);
      platform::Result<DayValues> read =
          bytes ? ReadDayFile(*bytes, date) : platform::Result<DayValues>(bytes.Reason());
      if (read) {
        tree_.days.push_back(std::move(*read));
      } else {
        Skip(relative, read.Reason());
      }
    }
  }

  void ReadMeterListFile(const std::filesystem::path& path) {
    const platform::Result<std::string> bytes = ReadWhole(path, LargestMeterList);
    platform::Result<std::vector<std::string>> read =
        bytes ? ReadMeterList(*bytes) : platform::Result<std::vector<std::string>>(bytes.Reason());
    if (read) {
      tree_.meterInfo = std::move(*read);
    } else {
      Skip("ID.csv", read.Reason());
    }
  }

  void Skip(std::string_view relative, platform::EntryKind kind) {
    switch (kind) {
      case platform::EntryKind::Folder:
        return Skip(relative, Skipped(SkipReason::NotOwnFolderName, "中は読みません"));
      case platform::EntryKind::Other:
        return Skip(relative, Skipped(SkipReason::NotFileOrFolder));
      case platform::EntryKind::Unreadable:
        return Skip(relative, Skipped(SkipReason::Unreadable));
      default:
        return Skip(relative, Skipped(SkipReason::NotOwnFileName));
    }
  }
  void Skip(std::string_view relative, const platform::Failure& why) {
    tree_.skipped.push_back({std::string(relative), SkipText(why)});
  }

  GatewayTree& tree_;
  std::string_view ownPage_;
};

}  // namespace

static_assert(csv::Columns == 16, "ColumnCount's text names the count");

std::string_view ReasonText(SkipReason reason) {
  switch (reason) {
    case SkipReason::EmptyFile:
      return "0 バイトのファイルです";
    case SkipReason::NoLastLineEnd:
      return "途中で切れています（最後の行が CR LF で終わっていません）";
    case SkipReason::TooLarge:
      return "大きすぎます";
    case SkipReason::Unreadable:
      return "読み込めません";
    case SkipReason::FolderUnreadable:
      return "フォルダを読めません";
    case SkipReason::NotOwnFileName:
      return "この形式のファイルの名前ではありません";
    case SkipReason::NotOwnFolderName:
      return "この形式のフォルダの名前ではありません";
    case SkipReason::NotFileOrFolder:
      return "通常のファイルでもフォルダでもありません";
    case SkipReason::NotDayFile:
      return "日ごとのCSVファイルではありません";
    case SkipReason::LineCount:
      return "途中で切れているか行が多すぎます";
    case SkipReason::ColumnCount:
      return "列数が 16 ではありません";
    case SkipReason::NotMeterList:
      return "メーター一覧の形式ではありません";
  }
  return "読みません";
}

platform::Result<DayValues> ReadDayFile(std::string_view bytes, CalendarDay date) {
  const platform::Result<std::vector<std::string_view>> lines = CrLfLines(bytes);
  if (!lines) return lines.Reason();
  const std::string header = Decoded(lines->front());
  if (header != csv::DayFileHeader && header != csv::NextDayStartHeader)
    return Skipped(SkipReason::NotDayFile, "1 行目が見出しではありません");
  if (lines->size() != csv::DayFileLines) {
    return Skipped(SkipReason::LineCount,
                   std::to_string(lines->size()) + " 行、" + std::to_string(csv::DayFileLines) + " 行のはず");
  }
  DayValues values;
  values.date = date;
  values.kind = header == csv::DayFileHeader ? DayFileKind::Day : DayFileKind::NextDayStart;
  for (std::size_t index = 1; index < lines->size(); ++index) {
    const std::optional<std::array<std::string_view, csv::Columns>> fields = csv::SplitRow((*lines)[index]);
    if (!fields) return Skipped(SkipReason::ColumnCount, LineNumber(index));
    const std::size_t row = index - 1;
    MeterDay& meter = values.meters[row % MeterPositions];
    meter.consumption[row / MeterPositions] = ValueOf((*fields)[csv::IndexOf(csv::Column::Use1Forward)]);
    const std::string_view multiplier = (*fields)[csv::IndexOf(csv::Column::Multiplier)];
    if (meter.multiplier.empty() && multiplier != csv::Missing && !multiplier.empty()) {
      meter.multiplier = Decoded(multiplier.substr(0, LongestMultiplier));
    }
  }
  return values;
}

platform::Result<std::vector<std::string>> ReadMeterList(std::string_view bytes) {
  const platform::Result<std::vector<std::string_view>> lines = CrLfLines(bytes);
  if (!lines) return lines.Reason();
  if (Decoded(lines->front()) != csv::MeterListHeader || lines->size() != csv::MeterListLines) {
    return Skipped(SkipReason::NotMeterList);
  }
  std::vector<std::string> info;
  for (int position = 1; position <= MeterPositions; ++position) {
    const std::string_view line = (*lines)[static_cast<std::size_t>(position)];
    const std::string prefix = std::to_string(position) + ",";
    if (!line.starts_with(prefix)) {
      return Skipped(SkipReason::NotMeterList, LineNumber(static_cast<std::size_t>(position)) + "が収集ID " +
                                                   std::to_string(position) + " の行ではありません");
    }
    info.push_back(Decoded(line.substr(prefix.size())));
  }
  return info;
}

GatewayTree ReadGatewayTree(const std::filesystem::path& gatewayFolder, std::string_view ownPage) {
  GatewayTree tree;
  tree.folderName = platform::Utf8FromPath(gatewayFolder.filename());
  TreeReader(tree, ownPage).ReadGatewayFolder(gatewayFolder);
  std::sort(tree.days.begin(), tree.days.end(),
            [](const DayValues& a, const DayValues& b) { return a.date < b.date; });
  std::sort(tree.skipped.begin(), tree.skipped.end(),
            [](const SkippedFile& a, const SkippedFile& b) { return a.path < b.path; });
  return tree;
}

}  // namespace varkelo::page
