#pragma once

// The figures of a run or a fleet for monitoring, in the Prometheus text
// exposition format, as the textfile collectors of node_exporter and
// windows_exporter read them: per gateway (labels folder and address) its
// success, result code, end time, duration, records downloaded and day files
// written; for a fleet also its counts.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/failure.hpp"
#include "run/fleet.hpp"

namespace varkelo::run {

// The gateways that ran (skipped ones have no figures of their own), and the
// fleet's counts for a fleet.
std::string MetricsText(const std::vector<GatewayRun>& runs, const std::optional<FleetCounts>& fleet);

// Replaces `file` with the text, whole or not at all.
platform::Status WriteMetrics(const std::filesystem::path& file, const std::string& text);

}  // namespace varkelo::run
