#pragma once

// "read.nmd" as a file of 1024-byte records, made whole or not at all by one
// download: the records go into a temporary file beside it, held open for the
// download, which replaces "read.nmd" only once the image is complete and on
// the disk. A download that fails leaves the last complete image as it was.

#include <cstdint>
#include <filesystem>
#include <span>

#include "platform/failure.hpp"
#include "platform/files.hpp"

namespace varkelo::gateway {

class ImageFile {
 public:
  explicit ImageFile(std::filesystem::path path) : path_(std::move(path)) {}

  // Writes one record (exactly 1024 bytes) as record number recordNumber
  // (1-based) at byte offset (recordNumber - 1) * 1024 of the new image,
  // starting it at the first record; a record beyond the end extends it.
  // Fails with the reason the record was not written.
  platform::Status Write(std::int32_t recordNumber, std::span<const std::uint8_t> record);

  // Puts the new image (empty when no record came) in place of "read.nmd",
  // on the disk: its data, then its name. Fails with the reason, leaving the
  // earlier "read.nmd" as it was (on Windows, for one, while another program
  // holds it open without letting it be replaced).
  platform::Status Commit();

  // Drops the new image; "read.nmd" stays as it was.
  void Discard() { writer_.Discard(); }

 private:
  std::filesystem::path path_;
  platform::WholeFileWriter writer_;
};

}  // namespace varkelo::gateway
