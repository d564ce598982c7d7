#pragma once

// "read.nmd" as a file of 1024-byte records, written one record at a time.

#include <cstdint>
#include <filesystem>
#include <span>

#include "platform/failure.hpp"

namespace varkelo::gateway {

// Writes one record (exactly 1024 bytes) as record number recordNumber
// (1-based) at byte offset (recordNumber - 1) * 1024. The file is created when
// missing and never truncated: other records keep their bytes, and a record
// beyond the end extends the file. The file is opened and closed within the
// call. Fails when the number names no record (below 1), the record is not
// 1024 bytes, anything but a regular file stands at imagePath (a symbolic
// link, a FIFO, a folder), or the file cannot be opened or written.
platform::Status WriteImageRecord(const std::filesystem::path& imagePath, std::int32_t recordNumber,
                                  std::span<const std::uint8_t> record);

}  // namespace varkelo::gateway
