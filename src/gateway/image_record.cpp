#include "gateway/image_record.hpp"

#include <string>

#include "gateway/frames.hpp"
#include "platform/files.hpp"
#include "platform/utf8_path.hpp"

namespace varkelo::gateway {

platform::Status WriteImageRecord(const std::filesystem::path& imagePath, std::int32_t recordNumber,
                                  std::span<const std::uint8_t> record) {
  if (recordNumber < 1 || record.size() != RecordSize) {
    return platform::Failure{.what = "cannot store record " + std::to_string(recordNumber) + " in",
                             .subject = platform::Utf8FromPath(imagePath),
                             .error = std::make_error_code(std::errc::invalid_argument)};
  }
  // Never truncated: records this run does not receive keep what an earlier
  // run left. Only a regular file: a FIFO at "read.nmd" fails at once, and a
  // link is never written through.
  platform::Result<platform::RegularFile> file = platform::RegularFile::OpenForWriting(imagePath);
  if (!file) return file.AsStatus();
  const std::int64_t offset = std::int64_t{recordNumber - 1} * std::int64_t{RecordSize};
  const platform::Status written = file->WriteAt(offset, record);
  const platform::Status closed = file->Close();
  return written ? closed : written;
}

}  // namespace varkelo::gateway
