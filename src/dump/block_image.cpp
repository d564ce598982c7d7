#include "dump/block_image.hpp"

#include <algorithm>
#include <string>
#include <system_error>
#include <utility>

#include "platform/files.hpp"
#include "platform/utf8_path.hpp"

namespace varkelo::dump {

BlockImage::BlockImage() : bytes_(DumpBlockSize, 0xFF), spare_(DumpBlockSize) {}

platform::Status BlockImage::LoadBlock(const std::filesystem::path& path, std::int32_t blockNumber) {
  if (blockNumber < 0) {
    return platform::Failure{.what = "cannot read block " + std::to_string(blockNumber) + " of",
                             .subject = platform::Utf8FromPath(path),
                             .error = std::make_error_code(std::errc::invalid_argument)};
  }
  // 64-bit: the blocks past 16383 start beyond what a 32-bit position holds.
  const std::int64_t position = std::int64_t{blockNumber} * DumpBlockSize;

  // Opened as a regular file only: a FIFO or device at "read.nmd" fails at once.
  platform::Result<platform::RegularFile> file = platform::RegularFile::OpenForReading(path);
  if (!file) return file.AsStatus();
  const platform::Result<std::size_t> read = file->ReadAt(position, spare_);
  if (!read) return read.AsStatus();
  // A short read at the end of the file leaves the rest of the block zero.
  std::fill(spare_.begin() + static_cast<std::ptrdiff_t>(*read), spare_.end(), 0);
  bytes_.swap(spare_);
  spareBlock_ = std::exchange(imageBlock_, blockNumber);
  return {};
}

platform::Status BlockImage::ReturnToBlock(const std::filesystem::path& path, std::int32_t blockNumber) {
  if (blockNumber < 0 || blockNumber != spareBlock_) return LoadBlock(path, blockNumber);
  bytes_.swap(spare_);
  std::swap(imageBlock_, spareBlock_);
  return {};
}

void BlockImage::LoadBlockBytes(std::span<const std::uint8_t> block) {
  imageBlock_ = spareBlock_ = -1;
  const std::size_t taken = std::min(block.size(), bytes_.size());
  std::copy_n(block.begin(), taken, bytes_.begin());
  std::fill(bytes_.begin() + static_cast<std::ptrdiff_t>(taken), bytes_.end(), 0);
}

}  // namespace varkelo::dump
