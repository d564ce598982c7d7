#include "page/gateway_page.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <system_error>

#include "page/gateway_tree.hpp"
#include "page/page_html.hpp"
#include "platform/files.hpp"
#include "platform/utf8_path.hpp"
#include "text/cp932.hpp"

namespace varkelo::page {
namespace {

// "error.txt" holds one short line; more is not a report of this system.
constexpr std::size_t LongestReport = 4096;

std::string UtcText(std::chrono::system_clock::time_point when) {
  const auto day = std::chrono::floor<std::chrono::days>(when);
  const std::chrono::year_month_day date{day};
  const std::chrono::hh_mm_ss time{std::chrono::floor<std::chrono::seconds>(when - day)};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

// The report line of "error.txt" in `appFolder` and when it was written.
void ReadLastReport(const std::filesystem::path& appFolder, PageFacts& facts) {
  const std::filesystem::path path = appFolder / "error.txt";
  platform::Result<platform::RegularFile> file = platform::RegularFile::OpenForReading(path);
  if (!file) return;
  const platform::Result<std::string> bytes = file->ReadAll();
  if (!bytes) return;
  std::string_view line(*bytes);
  line = line.substr(0, std::min({line.find('\r'), line.find('\n'), LongestReport}));
  facts.lastReport = text::DecodeCp932({reinterpret_cast<const std::uint8_t*>(line.data()), line.size()});
  std::error_code error;
  const std::filesystem::file_time_type written = std::filesystem::last_write_time(path, error);
  if (!error) facts.lastReportTime = UtcText(std::chrono::file_clock::to_sys(written));
}

}  // namespace

platform::Status WriteGatewayPage(const std::filesystem::path& gatewayFolder, const std::string& layout,
                                  const std::filesystem::path& pagePath) {
  const std::filesystem::path folder =
      gatewayFolder.has_filename() ? gatewayFolder : gatewayFolder.parent_path();
  const std::filesystem::path target = pagePath.empty() ? folder / PageFileName : pagePath;
  if (platform::KindOfEntry(folder) != platform::EntryKind::Folder) {
    return platform::Failure{"no gateway folder at", platform::Utf8FromPath(folder),
                             std::make_error_code(std::errc::not_a_directory)};
  }
  const GatewayTree tree = ReadGatewayTree(folder, platform::Utf8FromPath(target.filename()));

  PageFacts facts;
  facts.layout = layout;
  if (layout.empty() && std::any_of(tree.days.begin(), tree.days.end(), [](const DayValues& day) {
        return day.kind == DayFileKind::NextDayStart;
      })) {
    facts.layout = "15分ごとの区間値（翌日開始ファイルがあることから推定）";
  }
  ReadLastReport(folder.parent_path(), facts);
  facts.madeAt = UtcText(std::chrono::system_clock::now());

  platform::WholeFileWriter writer;
  platform::Status written = writer.Open(target);
  if (written) written = writer.Write(GatewayPageHtml(tree, facts));
  if (written) written = writer.Commit();
  return written;
}

}  // namespace varkelo::page
