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
  if (!writer_.IsOpen()) {
    if (platform::Status opened = writer_.Open(path_); !opened) return opened;
  }
  return writer_.WriteAt(std::int64_t{recordNumber - 1} * std::int64_t{RecordSize}, record);
}

platform::Status ImageFile::Commit() {
  if (!writer_.IsOpen()) {
    if (platform::Status opened = writer_.Open(path_); !opened) return opened;
  }
  if (platform::Status committed = writer_.Commit(); !committed) return committed;
  return platform::FlushFolder(path_.parent_path());
}

}  // namespace varkelo::gateway
