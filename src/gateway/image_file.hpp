#pragma once

// "read.nmd" as a file of 1024-byte records, held open for one download.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

#include "platform/failure.hpp"
#include "platform/files.hpp"

namespace varkelo::gateway {

class ImageFile {
 public:
  explicit ImageFile(std::filesystem::path path) : path_(std::move(path)) {}

  // Writes one record (exactly 1024 bytes) as record number recordNumber
  // (1-based) at byte offset (recordNumber - 1) * 1024, opening the file at
  // the first record: created when missing, never truncated, so records this
  // download does not receive keep their bytes, and a record beyond the end
  // extends the file. Only a regular file is opened, never through a link and
  // never blocking on a FIFO. Fails with the reason the record was not written.
  platform::Status Write(std::int32_t recordNumber, std::span<const std::uint8_t> record);

  // Closes the file if it is open; fails when the system reports that what
  // was written may be lost.
  platform::Status Close();

 private:
  std::filesystem::path path_;
  std::optional<platform::RegularFile> file_;
};

}  // namespace varkelo::gateway
