#pragma once

// "ID.csv": every meter position of the gateway with maker, year, type and number.

#include <filesystem>

#include "dump/block_image.hpp"
#include "platform/failure.hpp"

namespace varkelo::exporting {

// Writes the list from the configuration block loaded in `image`. Replaces an existing file, but only with a
// whole one. Fails, with the old file kept, when the file cannot be written.
platform::Status WriteMeterList(const dump::BlockImage& image, const std::filesystem::path& path);

}  // namespace varkelo::exporting
