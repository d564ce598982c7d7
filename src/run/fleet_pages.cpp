#include "run/fleet_pages.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "page/fleet_page.hpp"
#include "page/gateway_page.hpp"
#include "platform/files.hpp"
#include "platform/utf8_path.hpp"
#include "run/gateway_pages.hpp"
#include "run/profile_reader.hpp"
#include "run/result_report.hpp"
#include "text/cp932.hpp"

namespace varkelo::run {
namespace {

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

// The line of "error.txt" in appFolder and when it was written.
void ReadReport(const std::filesystem::path& appFolder, page::FleetRow& row) {
  // One short line; more is not a report of this system.
  constexpr std::size_t LongestReport = 4096;
  const std::filesystem::path path = appFolder / "error.txt";
  platform::Result<platform::RegularFile> file = platform::RegularFile::OpenForReading(path);
  if (!file) return;
  const platform::Result<std::string> bytes = file->ReadAll();
  if (!bytes) return;
  std::string_view line(*bytes);
  line = line.substr(0, std::min({line.find('\r'), line.find('\n'), LongestReport}));
  row.lastReport = text::DecodeCp932({reinterpret_cast<const std::uint8_t*>(line.data()), line.size()});
  row.succeeded = row.lastReport == ResultReportLine(RunOutcome::Success, "");
  std::error_code error;
  const std::filesystem::file_time_type written = std::filesystem::last_write_time(path, error);
  if (!error) row.lastReportTime = UtcText(std::chrono::file_clock::to_sys(written));
}

page::FleetRow RowOf(const std::filesystem::path& appFolder, const std::vector<GatewayRun>& runs) {
  page::FleetRow row;
  row.folder = platform::Utf8FromPath(appFolder.filename());
  try {
    const platform::Result<std::string> address = ReadGatewayAddress(appFolder);
    if (address) row.address = *address;
  } catch (...) {
  }
  ReadReport(appFolder, row);
  const auto run =
      std::find_if(runs.begin(), runs.end(), [&](const GatewayRun& r) { return r.folder == appFolder; });
  if (run != runs.end() && !run->skipped) {
    row.seconds = std::chrono::duration<double>(run->duration).count();
    row.records = run->result.recordsDownloaded;
  }
  if (const std::optional<std::filesystem::path> gateway = GatewayFolderOf(appFolder)) {
    row.tree = page::SummarizeTree(page::ReadGatewayTree(*gateway, page::PageFileName));
    if (platform::KindOfEntry(*gateway / page::PageFileName) == platform::EntryKind::RegularFile) {
      row.pageLink = row.folder + "/" + platform::Utf8FromPath(gateway->filename()) + "/" +
                     std::string(page::PageFileName);
    }
  }
  return row;
}

}  // namespace

platform::Status MakeFleetPage(const std::filesystem::path& fleetFolder,
                               const std::vector<std::filesystem::path>& gateways,
                               const std::vector<GatewayRun>& runs) {
  std::vector<page::FleetRow> rows;
  rows.reserve(gateways.size());
  for (const std::filesystem::path& gateway : gateways) rows.push_back(RowOf(gateway, runs));
  return page::WriteFleetPage(fleetFolder, std::move(rows), UtcText(std::chrono::system_clock::now()));
}

}  // namespace varkelo::run
