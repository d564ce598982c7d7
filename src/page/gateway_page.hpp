#pragma once

// Making the page of one gateway folder: the tree read, the last run's
// report line beside it, the page written whole or not at all.

#include <filesystem>
#include <string>

#include "platform/failure.hpp"

namespace varkelo::page {

// The page's name in the gateway folder.
inline constexpr std::string_view PageFileName = "report.html";

// Writes the page of the tree in `gatewayFolder` to `pagePath` (by default
// PageFileName in that folder). `layout` says how the gateway stores its
// readings, empty when not known. The report line comes from "error.txt" in
// the folder above. Fails when there is no folder or the page cannot be written.
platform::Status WriteGatewayPage(const std::filesystem::path& gatewayFolder, const std::string& layout,
                                  const std::filesystem::path& pagePath = {});

}  // namespace varkelo::page
