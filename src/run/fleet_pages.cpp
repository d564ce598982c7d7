#include "run/fleet_pages.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "page/fleet_page.hpp"
#include "page/gateway_page.hpp"
#include "page/last_report.hpp"
#include "platform/files.hpp"
#include "platform/utf8_path.hpp"
#include "run/gateway_pages.hpp"
#include "run/profile_reader.hpp"
#include "run/result_report.hpp"

namespace varkelo::run {
namespace {

page::FleetRow RowOf(const std::filesystem::path& appFolder, const std::vector<GatewayRun>& runs) {
  page::FleetRow row;
  row.folder = platform::Utf8FromPath(appFolder.filename());
  const platform::Result<std::string> address = ReadGatewayAddress(appFolder);
  if (address) row.address = *address;
  const page::LastReport report = page::ReadLastReport(appFolder);
  row.lastReport = report.line;
  row.lastReportTime = report.time;
  row.succeeded = row.lastReport == ResultReportLine(RunOutcome::Success, "");
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
  return page::WriteFleetPage(fleetFolder, std::move(rows), page::UtcText(std::chrono::system_clock::now()));
}

}  // namespace varkelo::run
