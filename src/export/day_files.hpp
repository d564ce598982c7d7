#pragma once

// The CSV file of one stored day: a header and, for each half hour, a row per
// meter position, written from a sector of either layout.

#include <filesystem>

#include "dump/block_image.hpp"
#include "export/carry_over.hpp"
#include "export/sector_day.hpp"
#include "platform/failure.hpp"

namespace varkelo::exporting {

// From the half-hourly sector of `day` loaded in `image`. Replaces an
// existing file, but only with a whole one. Fails, with the old file kept,
// when the file cannot be written.
platform::Status WriteHalfHourDayFile(const dump::BlockImage& image, const SectorDay& day,
                                      const std::filesystem::path& dayFile);

// From the interval sector of `day` loaded in `image`, with the previous
// day's last slot in `carry`. Replaces an existing file as above; fails as
// above, and when a saved slot standing in for an unsaved one has no time of day.
platform::Status WriteIntervalDayFile(const dump::BlockImage& image, const SectorDay& day,
                                      const CarryOver& carry, const std::filesystem::path& dayFile);

}  // namespace varkelo::exporting
