#pragma once

// Interval layout: the file of the day after a stored day, started from that
// day's last slot when the following day has no file yet.

#include <cstdint>
#include <filesystem>

#include "dump/block_image.hpp"
#include "export/sector_day.hpp"
#include "platform/failure.hpp"

namespace varkelo::exporting {

// Makes sure the day after `day` has a file: creates its month folder when
// missing and writes the start file unless a file of that name exists.
// Succeeds when written, not needed, or already there; fails on any error.
platform::Status WriteNextDayStart(const dump::BlockImage& image, const std::filesystem::path& gatewayFolder,
                                   const SectorDay& day);

// Writes the start file of the day after `day` at `path` from the last slot
// of the interval sector of `day` loaded in `image`, unless no row carries a
// value. Fails when the slot, saved, has no time of day or the file cannot be written.
platform::Status WriteNextDayStartFile(const dump::BlockImage& image, const SectorDay& day,
                                       const std::filesystem::path& path);

}  // namespace varkelo::exporting
