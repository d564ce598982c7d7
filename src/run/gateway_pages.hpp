#pragma once

// The page of each gateway whose CSV tree lies in the application folder.

#include <filesystem>
#include <optional>
#include <vector>

#include "platform/failure.hpp"

namespace varkelo::run {

struct PagesMade {
  std::vector<std::filesystem::path> written;
  std::vector<platform::Failure> failures;
};

// Makes the page of the gateway folder that "read.nmd" in appFolder names,
// or, without such an image or folder, of every gateway folder in appFolder
// (a folder holding "ID.csv" or a month folder). Nothing found is a failure.
PagesMade MakeGatewayPages(const std::filesystem::path& appFolder);

// The gateway folder that "read.nmd" in appFolder names, or else the first
// gateway folder in appFolder; none when there is none.
std::optional<std::filesystem::path> GatewayFolderOf(const std::filesystem::path& appFolder);

}  // namespace varkelo::run
