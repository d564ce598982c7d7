// The file primitives on POSIX systems.

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.hpp"
#include "platform/utf8_path.hpp"

namespace varkelo::platform {
namespace {

int Descriptor(std::intptr_t handle) {
  return static_cast<int>(handle);
}

std::error_code LastError() {
  return {errno, std::system_category()};
}

Status Checked(bool done, const char* what, const std::filesystem::path& path) {
  if (done) return {};
  return Failure{.what = what, .subject = Utf8FromPath(path), .error = LastError()};
}

// Opens without following a link at the last component and without blocking
// (a FIFO without a writer would block a reader forever), then keeps the file
// only when it is a regular file.
Result<int> OpenRegular(const std::filesystem::path& path, int flags, const char* what) {
  const auto failure = [&](std::error_code error) -> Result<int> {
    return Failure{.what = what, .subject = Utf8FromPath(path), .error = error};
  };
  int fd = -1;
  do {
    fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    // O_NOFOLLOW tells a link at the last component by ELOOP.
    struct stat status {};
    if (errno == ELOOP && ::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode))
      return failure(FileError::SymbolicLink);
    return failure(LastError());
  }
  struct stat status {};
  const int fileFlags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &status) != 0 || fileFlags < 0) {
    const std::error_code error = LastError();
    ::close(fd);
    return failure(error);
  }
  if (!S_ISREG(status.st_mode)) {
    ::close(fd);
    return failure(S_ISDIR(status.st_mode) ? std::make_error_code(std::errc::is_a_directory)
                                           : make_error_code(FileError::NotRegularFile));
  }
  if (::fcntl(fd, F_SETFL, fileFlags & ~O_NONBLOCK) != 0) {
    const std::error_code error = LastError();
    ::close(fd);
    return failure(error);
  }
  return fd;
}

static_assert(sizeof(off_t) == sizeof(std::int64_t), "file positions are 64-bit");

}  // namespace

Result<RegularFile> RegularFile::OpenForReading(const std::filesystem::path& path) {
  const Result<int> fd = OpenRegular(path, O_RDONLY, "cannot open");
  if (!fd) return fd.Reason();
  return RegularFile(*fd, path);
}

Result<RegularFile> RegularFile::OpenToFlush(const std::filesystem::path& path) {
  return OpenForReading(path);
}

Result<RegularFile> RegularFile::OpenForWriting(const std::filesystem::path& path) {
  const Result<int> fd = OpenRegular(path, O_WRONLY | O_CREAT, "cannot open for writing");
  if (!fd) return fd.Reason();
  return RegularFile(*fd, path);
}

Result<RegularFile> RegularFile::CreateNew(const std::filesystem::path& path) {
  const Result<int> fd = OpenRegular(path, O_WRONLY | O_CREAT | O_EXCL, "cannot create");
  if (!fd) return fd.Reason();
  return RegularFile(*fd, path);
}

Result<std::size_t> RegularFile::ReadSomeAt(std::int64_t offset, std::span<std::uint8_t> buffer) {
  while (true) {
    const ssize_t n = ::pread(Descriptor(handle_), buffer.data(), buffer.size(), static_cast<off_t>(offset));
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) return FailureOf("cannot read", LastError());
  }
}

Result<std::size_t> RegularFile::WriteSomeAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
  while (true) {
    const ssize_t n = ::pwrite(Descriptor(handle_), bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) return FailureOf("cannot write", LastError());
  }
}

Status RegularFile::Flush() {
  if (::fdatasync(Descriptor(handle_)) == 0) return {};
  return FailureOf("cannot flush to the disk", LastError());
}

Status RegularFile::Close() {
  if (handle_ == NoHandle) return {};
  // Linux closes the descriptor even when close reports EINTR: never retry.
  const bool closed = ::close(Descriptor(handle_)) == 0;
  const std::error_code error = closed ? std::error_code() : LastError();
  handle_ = NoHandle;
  if (!closed) return FailureOf("cannot close", error);
  return {};
}

EntryKind KindOfEntry(const std::filesystem::path& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0)
    return errno == ENOENT ? EntryKind::Missing : EntryKind::Unreadable;
  if (S_ISREG(status.st_mode)) return EntryKind::RegularFile;
  if (S_ISDIR(status.st_mode)) return EntryKind::Folder;
  return EntryKind::Other;
}

Status CreateFolder(const std::filesystem::path& path) {
  return Checked(::mkdir(path.c_str(), 0777) == 0, "cannot make the folder", path);
}

Status ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  return Checked(std::rename(from.c_str(), to.c_str()) == 0, "cannot replace", to);
}

Status RemoveFile(const std::filesystem::path& path) {
  return Checked(::unlink(path.c_str()) == 0, "cannot remove", path);
}

Status FlushFolder(const std::filesystem::path& folder) {
  int fd = -1;
  do {
    fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return Checked(false, "cannot flush to the disk the folder", folder);
  const bool flushed = ::fsync(fd) == 0;
  const std::error_code error = flushed ? std::error_code() : LastError();
  ::close(fd);
  // EINVAL and ENOTSUP: the file system has no way to flush a folder.
  if (flushed || error.value() == EINVAL || error.value() == ENOTSUP || error.value() == EOPNOTSUPP)
    return {};
  return Failure{
      .what = "cannot flush to the disk the folder", .subject = Utf8FromPath(folder), .error = error};
}

}  // namespace varkelo::platform
