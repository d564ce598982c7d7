#pragma once

// The file-system primitives everything else builds on, one implementation
// file per platform. Every file the system opens is a regular file: never
// reached through a symbolic link at its last component, never a FIFO, device
// or folder, and never opened in a way that could block on the open itself.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/failure.hpp"

namespace varkelo::platform {

// An open regular file, closed when destroyed. Every failure names the file
// and keeps the system's reason; anything but a regular file fails with
// FileError::NotRegularFile or FileError::SymbolicLink.
class RegularFile {
 public:
  // The existing regular file at `path`, for reading. Fails when it is
  // missing, cannot be opened, or is anything but a regular file.
  static Result<RegularFile> OpenForReading(const std::filesystem::path& path);

  // The regular file at `path` for positioned writing, created when missing
  // and never truncated. Fails as above.
  static Result<RegularFile> OpenForWriting(const std::filesystem::path& path);

  // A new, empty regular file at `path`. Fails when anything stands there
  // already (a link included) or the file cannot be made.
  static Result<RegularFile> CreateNew(const std::filesystem::path& path);

  RegularFile(RegularFile&& other) noexcept;
  RegularFile& operator=(RegularFile&& other) noexcept;
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;
  ~RegularFile();

  // Reads from byte `offset` until `buffer` is full or the file ends: the
  // number of bytes read.
  Result<std::size_t> ReadAt(std::int64_t offset, std::span<std::uint8_t> buffer);

  // The whole file from its start.
  Result<std::string> ReadAll();

  // Writes all of `bytes` from byte `offset`.
  Status WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes);

  // Closes the file; fails when the system reports an error in doing so (a
  // write it had held back, for one).
  Status Close();

 private:
  RegularFile(std::intptr_t handle, std::filesystem::path path) : handle_(handle), path_(std::move(path)) {}

  // "what" the file: what could not be done, with this file's path.
  Failure FailureOf(const char* what, std::error_code error) const;

  // One system call of ReadAt or WriteAt, on the platform's handle: the bytes
  // moved from `offset`; a read gives 0 at the end of the file.
  Result<std::size_t> ReadSomeAt(std::int64_t offset, std::span<std::uint8_t> buffer);
  Result<std::size_t> WriteSomeAt(std::int64_t offset, std::span<const std::uint8_t> bytes);

  static constexpr std::intptr_t NoHandle = -1;
  // The platform's handle of the open file, NoHandle once closed.
  std::intptr_t handle_ = NoHandle;
  std::filesystem::path path_;
};

// What stands at a path, its last component never followed if it is a link.
enum class EntryKind {
  Missing,
  RegularFile,
  Folder,
  Other,       // a symbolic link, FIFO, device or socket
  Unreadable,  // the system could not say
};
EntryKind KindOfEntry(const std::filesystem::path& path);

// Creates that one folder; its parent must exist. Fails when it cannot be made
// or anything already stands there.
Status CreateFolder(const std::filesystem::path& path);

// Puts the file `from` in the place of `to` in one step, replacing what is at
// `to`. Both lie in the same folder.
Status ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Removes the file (or link) at `path`.
Status RemoveFile(const std::filesystem::path& path);

// A file written whole or not at all. The bytes go to a temporary file beside
// the target, named "." + the target's name + a random part + ".tmp" so that
// no reader of the target's name takes it for data; Commit renames it over the
// target. A writer that fails, or is destroyed or reopened before Commit,
// removes its temporary file and leaves the target as it was. Every failure
// is told as "cannot write" the target, with the reason.
//
// Nothing is synced to the disk: the output files are remade by the next run
// from "read.nmd", and a sync per file would cost more than the whole export.
class WholeFileWriter {
 public:
  WholeFileWriter() = default;
  WholeFileWriter(const WholeFileWriter&) = delete;
  WholeFileWriter& operator=(const WholeFileWriter&) = delete;
  ~WholeFileWriter() { Discard(); }

  // Starts a new file for `target`. Fails when no temporary file can be made.
  Status Open(const std::filesystem::path& target);

  // Appends bytes. On a failure the writer is failed, and stays so.
  Status Write(std::string_view bytes);

  // Puts the file in place of the target. Fails when the writer is not open
  // or failed, the file cannot be completed, or anything but a regular file
  // stands at the target (a link, FIFO, folder or device is never replaced).
  // The writer is closed afterwards, whatever the result.
  Status Commit();

  // Drops the file without touching the target.
  void Discard();

  bool IsOpen() const { return file_.has_value(); }

 private:
  std::optional<RegularFile> file_;
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::int64_t size_ = 0;
  // Why the writer failed, once it has.
  std::optional<Failure> failure_;
};

}  // namespace varkelo::platform
