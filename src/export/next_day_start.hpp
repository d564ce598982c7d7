#pragma once

// Interval layout: the file of the day after a stored day, started from that
// day's last slot when the following day has no file yet.

#include <cstdint>
#include <filesystem>

#include "dump/dump_image.hpp"
#include "platform/failure.hpp"

namespace varkelo::exporting {

// Makes sure the day after year/month/day has a file: creates its month folder
// when missing and writes the start file unless a file of that name exists.
// Succeeds when written, not needed, or already there; fails on any error.
platform::Status WriteNextDayStart(const dump::Dump& dump, const std::filesystem::path& gatewayFolder,
                                   std::int32_t year, std::int32_t month, std::int32_t day);

// Writes the start file at `path` from the last slot of the interval sector loaded
// in `dump`, unless no row carries a value. Fails on any error.
platform::Status WriteNextDayStartFile(const dump::Dump& dump, const std::filesystem::path& path);

}  // namespace varkelo::exporting
