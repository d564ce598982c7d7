#include "page/fleet_page.hpp"

#include <algorithm>
#include <cstdio>

#include "platform/files.hpp"
#include "util/markup.hpp"

namespace varkelo::page {
namespace {

std::string Fixed(double value, const char* format) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

constexpr std::string_view Style = R"(
body { font-family: "IPAGothic", "Meiryo", sans-serif; margin: 1.5em; color: #222; }
h1 { font-size: 1.3em; }
table { border-collapse: collapse; }
th, td { border: 1px solid #ccc; padding: 0.3em 0.6em; text-align: left; white-space: nowrap; }
td.number { text-align: right; }
tr.failed td { background: #fde8e8; }
tr.failed td.outcome { color: #a40000; font-weight: bold; }
)";

}  // namespace

TreeSummary SummarizeTree(const GatewayTree& tree) {
  TreeSummary summary;
  std::array<bool, MeterPositions> used{};
  for (const DayValues& day : tree.days) {
    if (day.kind != DayFileKind::Day) continue;
    ++summary.days;
    for (int m = 0; m < MeterPositions; ++m) {
      const auto& values = day.meters[static_cast<std::size_t>(m)].consumption;
      used[static_cast<std::size_t>(m)] |=
          std::any_of(values.begin(), values.end(), [](auto v) { return v != NoValue; });
    }
  }
  int meterDays = 0, complete = 0;
  for (const DayValues& day : tree.days) {
    if (day.kind != DayFileKind::Day) continue;
    bool whole = true;
    for (int m = 0; m < MeterPositions; ++m) {
      if (!used[static_cast<std::size_t>(m)]) continue;
      const auto& values = day.meters[static_cast<std::size_t>(m)].consumption;
      const bool full = std::none_of(values.begin(), values.end(), [](auto v) { return v == NoValue; });
      ++meterDays;
      complete += full ? 1 : 0;
      whole = whole && full;
    }
    if (whole && meterDays > 0) {
      summary.lastCompleteDay = Fixed(day.date.year, "%04.0f") + "-" + Fixed(day.date.month, "%02.0f") + "-" +
                                Fixed(day.date.day, "%02.0f");
    }
  }
  if (meterDays > 0) summary.completeShare = static_cast<double>(complete) / meterDays;
  return summary;
}

std::string FleetPageHtml(std::vector<FleetRow> rows, const std::string& madeAt) {
  std::stable_sort(rows.begin(), rows.end(), [](const FleetRow& a, const FleetRow& b) {
    return std::tie(a.succeeded, a.folder) < std::tie(b.succeeded, b.folder);
  });
  const auto failed =
      std::count_if(rows.begin(), rows.end(), [](const FleetRow& row) { return !row.succeeded; });
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n<title>Varkelo: " +
      std::to_string(rows.size()) + " gateways</title>\n<style>" + std::string(Style) +
      "</style>\n</head>\n<body>\n<h1>" + std::to_string(rows.size()) + " gateways, " +
      std::to_string(failed) + " failed</h1>\n<p>Made " + util::MarkupText(madeAt) +
      "</p>\n<table>\n<thead><tr><th>Folder</th><th>Address</th><th>Last outcome</th><th>At</th>"
      "<th>Seconds</th><th>Records</th><th>Days</th><th>Last complete day</th>"
      "<th>Meter-days complete</th></tr></thead>\n<tbody>\n";
  const auto cell = [](const std::string& text, bool number = false) {
    return std::string(number ? "<td class=\"number\">" : "<td>") + text + "</td>";
  };
  for (const FleetRow& row : rows) {
    const std::string folder = row.pageLink.empty() ? util::MarkupText(row.folder)
                                                    : "<a href=\"" + util::MarkupText(row.pageLink) + "\">" +
                                                          util::MarkupText(row.folder) + "</a>";
    html += std::string("<tr class=\"") + (row.succeeded ? "succeeded" : "failed") + "\">" + cell(folder) +
            cell(util::MarkupText(row.address)) + "<td class=\"outcome\">" +
            (row.lastReport.empty() ? "—" : util::MarkupText(row.lastReport)) + "</td>" +
            cell(row.lastReportTime.empty() ? "—" : util::MarkupText(row.lastReportTime)) +
            cell(row.seconds ? Fixed(*row.seconds, "%.1f") : "—", true) +
            cell(row.records ? std::to_string(*row.records) : "—", true) +
            cell(std::to_string(row.tree.days), true) +
            cell(row.tree.lastCompleteDay.empty() ? "—" : row.tree.lastCompleteDay) +
            cell(row.tree.completeShare ? Fixed(*row.tree.completeShare * 100, "%.1f") + "%" : "—", true) +
            "</tr>\n";
  }
  return html + "</tbody>\n</table>\n</body>\n</html>\n";
}

platform::Status WriteFleetPage(const std::filesystem::path& fleetFolder, std::vector<FleetRow> rows,
                                const std::string& madeAt) {
  platform::WholeFileWriter writer;
  platform::Status written = writer.Open(fleetFolder / FleetPageFileName);
  if (written) written = writer.Write(FleetPageHtml(std::move(rows), madeAt));
  if (written) written = writer.Commit();
  return written;
}

}  // namespace varkelo::page
