// The folder lock on POSIX systems: flock on the folder itself. The kernel
// drops it with the last descriptor, so a killed run never leaves it held.

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/folder_lock.hpp"
#include "platform/utf8_path.hpp"

namespace varkelo::platform {

void FolderLock::Release() {
  if (handle_ == NoHandle) return;
  // Closing the only descriptor releases the lock.
  ::close(static_cast<int>(handle_));
  handle_ = NoHandle;
}

Result<FolderLock> LockFolder(const std::filesystem::path& folder) {
  const auto failure = [&](std::error_code error) -> Result<FolderLock> {
    return Failure{.what = "cannot lock the folder", .subject = Utf8FromPath(folder), .error = error};
  };
  int fd = -1;
  do {
    fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return failure({errno, std::system_category()});
  int locked = -1;
  do {
    locked = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK) return failure(std::make_error_code(std::errc::device_or_resource_busy));
    return failure({error, std::system_category()});
  }
  return FolderLock(fd);
}

}  // namespace varkelo::platform
