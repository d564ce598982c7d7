#pragma once

// The page of a fleet folder ("index.html"): one row per gateway, failures
// first, each linking to the gateway's own page. Self-contained like the
// gateway's page: its style inline, nothing fetched.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "page/gateway_tree.hpp"
#include "platform/failure.hpp"

namespace varkelo::page {

inline constexpr std::string_view FleetPageFileName = "index.html";

// What the CSV tree of a gateway tells at a glance.
struct TreeSummary {
  int days = 0;  // day files read
  // The newest day on which every meter with readings has all 48 half
  // hours, "YYYY-MM-DD"; empty when none.
  std::string lastCompleteDay;
  // Meter-days with all 48 half hours among the meter-days of the meters
  // that have readings at all, 0 to 1; none without any.
  std::optional<double> completeShare;
};
TreeSummary SummarizeTree(const GatewayTree& tree);

struct FleetRow {
  std::string folder;  // the gateway folder's name
  std::string address;
  std::string lastReport;      // the line of "error.txt"; empty when there is none
  std::string lastReportTime;  // when it was written, "YYYY-MM-DDTHH:MM:SSZ"
  bool succeeded = false;
  // Of the last run, where this program has just made it.
  std::optional<double> seconds;
  std::optional<int> records;
  TreeSummary tree;
  std::string pageLink;  // relative to the fleet folder, "/" between names; empty without a page
};

// The UTF-8 text of the page, the failures first, then by folder.
std::string FleetPageHtml(std::vector<FleetRow> rows, const std::string& madeAt);

// Writes FleetPageFileName into `fleetFolder`, whole or not at all.
platform::Status WriteFleetPage(const std::filesystem::path& fleetFolder, std::vector<FleetRow> rows,
                                const std::string& madeAt);

}  // namespace varkelo::page
