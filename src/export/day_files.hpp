#pragma once

// The CSV file of one stored day: a header and, for each half hour, a row per
// meter position, written from a sector of either layout.

#include <filesystem>

#include "dump/dump_image.hpp"
#include "export/carry_over.hpp"
#include "platform/failure.hpp"

namespace varkelo::exporting {

// From a half-hourly sector loaded in `dump`. Replaces an existing file, but
// only with a whole one. Fails, with the old file kept, on any error (the
// sector date no calendar date, a write failing).
platform::Status WriteHalfHourDayFile(const dump::Dump& dump, const std::filesystem::path& dayFile);

// From an interval sector loaded in `dump`, with the previous day's last slot
// in `carry`. Replaces an existing file as above; fails as above, and when a
// saved slot standing in for an unsaved one has no time of day.
platform::Status WriteIntervalDayFile(const dump::Dump& dump, const CarryOver& carry,
                                      const std::filesystem::path& dayFile);

}  // namespace varkelo::exporting
