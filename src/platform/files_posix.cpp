// The file primitives on POSIX systems.

#include <cerrno>
#include <cstdio>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.hpp"

namespace varkelo::platform {
namespace {

int Descriptor(std::intptr_t handle) {
  return static_cast<int>(handle);
}

// Opens without following a link at the last component and without blocking
// (a FIFO without a writer would block a reader forever), then keeps the file
// only when it is a regular file.
std::optional<int> OpenRegular(const std::filesystem::path& path, int flags) {
  int fd = -1;
  do {
    fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return std::nullopt;
  struct stat status {};
  const int fileFlags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || fileFlags < 0 ||
      ::fcntl(fd, F_SETFL, fileFlags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return std::nullopt;
  }
  return fd;
}

bool FitsOffset(std::int64_t offset, std::size_t count) {
  return offset >= 0 && count <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max() - offset);
}

}  // namespace

std::optional<RegularFile> RegularFile::OpenForReading(const std::filesystem::path& path) {
  const std::optional<int> fd = OpenRegular(path, O_RDONLY);
  if (!fd) return std::nullopt;
  return RegularFile(*fd);
}

std::optional<RegularFile> RegularFile::OpenForWriting(const std::filesystem::path& path) {
  const std::optional<int> fd = OpenRegular(path, O_WRONLY | O_CREAT);
  if (!fd) return std::nullopt;
  return RegularFile(*fd);
}

std::optional<RegularFile> RegularFile::CreateNew(const std::filesystem::path& path) {
  const std::optional<int> fd = OpenRegular(path, O_WRONLY | O_CREAT | O_EXCL);
  if (!fd) return std::nullopt;
  return RegularFile(*fd);
}

std::optional<std::size_t> RegularFile::ReadAt(std::int64_t offset, std::span<std::uint8_t> buffer) {
  if (handle_ == NoHandle || !FitsOffset(offset, buffer.size())) return std::nullopt;
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t n = ::pread(Descriptor(handle_), buffer.data() + done, buffer.size() - done,
                              static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

bool RegularFile::WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
  if (handle_ == NoHandle || !FitsOffset(offset, bytes.size())) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pwrite(Descriptor(handle_), bytes.data() + done, bytes.size() - done,
                               static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool RegularFile::Close() {
  if (handle_ == NoHandle) return true;
  // Linux closes the descriptor even when close reports EINTR: never retry.
  const bool closed = ::close(Descriptor(handle_)) == 0;
  handle_ = NoHandle;
  return closed;
}

EntryKind KindOfEntry(const std::filesystem::path& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0)
    return errno == ENOENT ? EntryKind::Missing : EntryKind::Unreadable;
  if (S_ISREG(status.st_mode)) return EntryKind::RegularFile;
  if (S_ISDIR(status.st_mode)) return EntryKind::Folder;
  return EntryKind::Other;
}

bool CreateFolder(const std::filesystem::path& path) {
  return ::mkdir(path.c_str(), 0777) == 0;
}

bool ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::filesystem::path& path) {
  return ::unlink(path.c_str()) == 0;
}

}  // namespace varkelo::platform
