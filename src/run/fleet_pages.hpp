#pragma once

// The fleet folder's page, from each gateway folder's "System.ini",
// "error.txt" and CSV tree.

#include <filesystem>
#include <vector>

#include "platform/failure.hpp"
#include "run/fleet.hpp"

namespace varkelo::run {

// Writes "index.html" into fleetFolder, a row for each of `gateways` (their
// application folders); `runs` adds the duration and records of the runs
// this program has just made.
platform::Status MakeFleetPage(const std::filesystem::path& fleetFolder,
                               const std::vector<std::filesystem::path>& gateways,
                               const std::vector<GatewayRun>& runs);

}  // namespace varkelo::run
