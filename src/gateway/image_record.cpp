#include "gateway/image_record.hpp"

#include <optional>

#include "gateway/frames.hpp"
#include "platform/files.hpp"

namespace varkelo::gateway {

bool WriteImageRecord(const std::filesystem::path& imagePath, std::int32_t recordNumber,
                      std::span<const std::uint8_t> record) {
  if (recordNumber < 1 || record.size() != RecordSize) return false;
  // Never truncated: records this run does not receive keep what an earlier
  // run left. Only a regular file: a FIFO at "read.nmd" fails at once, and a
  // link is never written through.
  std::optional<platform::RegularFile> file = platform::RegularFile::OpenForWriting(imagePath);
  if (!file) return false;
  const std::int64_t offset = std::int64_t{recordNumber - 1} * std::int64_t{RecordSize};
  const bool written = file->WriteAt(offset, record);
  return file->Close() && written;
}

}  // namespace varkelo::gateway
