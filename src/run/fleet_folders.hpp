#pragma once

// The gateway folders of a fleet folder: each direct subfolder that holds a
// "System.ini" is one gateway's application folder.

#include <filesystem>
#include <vector>

#include "platform/failure.hpp"

namespace varkelo::run {

struct FleetFolders {
  // The gateway folders, in the order of their names.
  std::vector<std::filesystem::path> gateways;
  // Symbolic links to gateway folders: never followed, so never read.
  std::vector<std::filesystem::path> links;
};

// Fails when `fleetFolder` is not a folder that can be listed, or holds no
// gateway folder.
platform::Result<FleetFolders> FindGatewayFolders(const std::filesystem::path& fleetFolder);

}  // namespace varkelo::run
