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

  // The existing regular file at `path`, for reading and for Flush. POSIX
  // flushes a file open for reading; Windows flushes only through a handle
  // that may write, so there it is opened for writing too (and never written,
  // every other opener's sharing left as it was): a read-only file, or one
  // that another program holds open letting others only read it, fails.
  static Result<RegularFile> OpenToFlush(const std::filesystem::path& path);

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

  // Puts what was written on the disk itself (fdatasync; FlushFileBuffers on
  // Windows), so that it outlives a power loss. Fails, as "cannot flush", when
  // the disk did not take it (full, failing).
  Status Flush();

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

// Puts the regular file at `path` on the disk as it stands (OpenToFlush, then
// Flush): a file a run leaves in place yet vouches for. One that another
// program holds open against writers (Windows) is left as it stands, as
// WholeFileWriter keeps it. Fails, as "cannot flush to the disk" the file,
// when it cannot be opened or flushed.
Status FlushFile(const std::filesystem::path& path);

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

// Puts the folder's entries (the names renamed or made in it) on the disk. A
// file system that cannot flush a folder (some network file systems refuse
// it) keeps its entries as safe as it makes them: that is no failure. On
// Windows every rename is written through already, and this does nothing.
Status FlushFolder(const std::filesystem::path& folder);

// True for a name of the form of WholeFileWriter's temporary files:
// "." + a name + "." + 16 lowercase hexadecimal digits + ".tmp".
bool IsTemporaryFileName(std::string_view name);

// Removes from `folder` the temporary files a run killed before its end left:
// names of IsTemporaryFileName's form that are regular files, never a link, a
// folder or anything else, then flushes the folder when it removed any. Only
// for a folder no other run writes (a held one). A file that cannot be
// removed stays, and nothing here fails a run: a removal lost to a power loss
// brings back a leftover, which the next run removes.
void RemoveTemporaryFiles(const std::filesystem::path& folder);

// A file written whole or not at all. The bytes go to a temporary file beside
// the target, named "." + the target's name + "." + 16 random hexadecimal
// digits + ".tmp" so that no reader of the target's name takes it for data;
// Commit flushes it to the disk and renames it over the target, so after a
// power loss the target holds the earlier file or the new one, never an empty
// or cut one (the rename itself is on the disk once the folder is flushed:
// FlushFolder, for a kept file as for a replaced one, whose name may be a
// killed run's rename the system had not yet written). A writer that fails,
// or is destroyed or reopened before Commit, removes its temporary file and
// leaves the target as it was. Every failure is told as "cannot write" the
// target (or "cannot flush"), with the reason.
class WholeFileWriter {
 public:
  // What Commit does when the target holds the very bytes written already.
  enum class Identical {
    Replace,  // replaced all the same: the target's time tells when it was last written
    // Kept as it is and flushed where it stands, as it may hold bytes of
    // another writer that the system has not yet written: a flush of what is
    // on the disk already costs next to nothing, a new file and its flush far
    // more. One that another program holds open against writers (Windows)
    // is kept as it stands, as FlushFile leaves it.
    Keep,
  };

  WholeFileWriter() = default;
  WholeFileWriter(const WholeFileWriter&) = delete;
  WholeFileWriter& operator=(const WholeFileWriter&) = delete;
  ~WholeFileWriter() { Discard(); }

  // Starts a new file for `target`. Fails when no temporary file can be made.
  Status Open(const std::filesystem::path& target, Identical identical = Identical::Replace);

  // Appends bytes. On a failure the writer is failed, and stays so.
  Status Write(std::string_view bytes);

  // Writes bytes at `offset` of the file, as a file of records is written;
  // fails as Write.
  Status WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes);

  // Flushes the file to the disk and puts it in place of the target. Fails
  // when the writer is not open or failed, the file cannot be completed or
  // flushed, or anything but a regular file stands at the target (a link,
  // FIFO, folder or device is never replaced). The writer is closed
  // afterwards, whatever the result.
  Status Commit();

  // Drops the file without touching the target.
  void Discard();

  bool IsOpen() const { return file_.has_value(); }

 private:
  std::optional<RegularFile> file_;
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::int64_t size_ = 0;
  Identical identical_ = Identical::Replace;
  // Why the writer failed, once it has.
  std::optional<Failure> failure_;
};

}  // namespace varkelo::platform
