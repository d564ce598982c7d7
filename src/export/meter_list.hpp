#pragma once

// "ID.csv": every meter position of the gateway with maker, year, type and number.

#include <filesystem>

#include "dump/dump_image.hpp"
#include "platform/failure.hpp"

namespace varkelo::exporting {

// Writes the list from the configuration block loaded in `dump` (configuration
// catalogue). Replaces an existing file, but only with a whole one. Fails,
// with the old file kept, on any error.
platform::Status WriteMeterList(const dump::Dump& dump, const std::filesystem::path& path);

}  // namespace varkelo::exporting
