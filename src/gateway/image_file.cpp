#include "gateway/image_file.hpp"

#include <string>

#include "gateway/frames.hpp"
#include "platform/utf8_path.hpp"

namespace varkelo::gateway {

platform::Status ImageFile::Write(std::int32_t recordNumber, std::span<const std::uint8_t> record) {
  if (recordNumber < 1 || record.size() != RecordSize) {
    return platform::Failure{.what = "cannot store record " + std::to_string(recordNumber) + " in",
                             .subject = platform::Utf8FromPath(path_),
                             .error = std::make_error_code(std::errc::invalid_argument)};
  }
  if (!file_) {
    platform::Result<platform::RegularFile> opened = platform::RegularFile::OpenForWriting(path_);
    if (!opened) return opened.AsStatus();
    file_.emplace(std::move(*opened));
  }
  return file_->WriteAt(std::int64_t{recordNumber - 1} * std::int64_t{RecordSize}, record);
}

platform::Status ImageFile::Close() {
  if (!file_) return {};
  const platform::Status closed = file_->Close();
  file_.reset();
  return closed;
}

}  // namespace varkelo::gateway
