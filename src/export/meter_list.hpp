#pragma once

// "ID.csv": every meter position of the gateway with maker, year, type and number.

#include <filesystem>

#include "dump/dump_image.hpp"

namespace varkelo::exporting {

// Writes the list from the configuration block loaded in `dump` (configuration
// catalogue). Replaces an existing file, but only with a whole one. False,
// with the old file kept, on any error.
bool WriteMeterList(const dump::Dump& dump, const std::filesystem::path& path);

}  // namespace varkelo::exporting
