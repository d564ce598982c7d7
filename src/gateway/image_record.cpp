#include "gateway/image_record.hpp"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#include "gateway/frames.hpp"

namespace varkelo::gateway {

bool WriteImageRecord(const std::filesystem::path& imagePath, std::int32_t recordNumber,
                      std::span<const std::uint8_t> record) {
  if (recordNumber < 1 || record.size() != RecordSize) return false;
  // No O_TRUNC: records this run does not receive keep what an earlier run left.
  const int fd = ::open(imagePath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  off_t offset = static_cast<off_t>(recordNumber - 1) * static_cast<off_t>(RecordSize);
  std::size_t written = 0;
  bool ok = true;
  while (written < record.size()) {
    const ssize_t n = ::pwrite(fd, record.data() + written, record.size() - written, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    written += static_cast<std::size_t>(n);
    offset += n;
  }
  if (::close(fd) != 0) ok = false;
  return ok;
}

}  // namespace varkelo::gateway
