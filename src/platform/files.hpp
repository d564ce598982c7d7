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

namespace varkelo::platform {

// An open regular file, closed when destroyed.
class RegularFile {
 public:
  // The existing regular file at `path`, for reading. None when it is missing,
  // cannot be opened, or is anything but a regular file.
  static std::optional<RegularFile> OpenForReading(const std::filesystem::path& path);

  // The regular file at `path` for positioned writing, created when missing
  // and never truncated. None as above.
  static std::optional<RegularFile> OpenForWriting(const std::filesystem::path& path);

  // A new, empty regular file at `path`. None when anything stands there
  // already (a link included) or the file cannot be made.
  static std::optional<RegularFile> CreateNew(const std::filesystem::path& path);

  RegularFile(RegularFile&& other) noexcept;
  RegularFile& operator=(RegularFile&& other) noexcept;
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;
  ~RegularFile();

  // Reads from byte `offset` until `buffer` is full or the file ends. The
  // number of bytes read, or none on a read error.
  std::optional<std::size_t> ReadAt(std::int64_t offset, std::span<std::uint8_t> buffer);

  // The whole file from its start; none on a read error.
  std::optional<std::string> ReadAll();

  // Writes all of `bytes` from byte `offset`. False on any error.
  bool WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes);

  // Closes the file; false when the system reports an error in doing so.
  bool Close();

 private:
  explicit RegularFile(std::intptr_t handle) : handle_(handle) {}

  static constexpr std::intptr_t NoHandle = -1;
  // The platform's handle of the open file, NoHandle once closed.
  std::intptr_t handle_ = NoHandle;
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

// Creates that one folder; its parent must exist. False when it cannot be made
// or anything already stands there.
bool CreateFolder(const std::filesystem::path& path);

// Puts the file `from` in the place of `to` in one step, replacing what is at
// `to`. Both lie in the same folder.
bool ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Removes the file (or link) at `path`. False when it cannot be removed.
bool RemoveFile(const std::filesystem::path& path);

// A file written whole or not at all. The bytes go to a temporary file beside
// the target, named "." + the target's name + a random part + ".tmp" so that
// no reader of the target's name takes it for data; Commit renames it over the
// target. A writer that fails, or is destroyed or reopened before Commit,
// removes its temporary file and leaves the target as it was.
//
// Nothing is synced to the disk: the output files are remade by the next run
// from "read.nmd", and a sync per file would cost more than the whole export.
class WholeFileWriter {
 public:
  WholeFileWriter() = default;
  WholeFileWriter(const WholeFileWriter&) = delete;
  WholeFileWriter& operator=(const WholeFileWriter&) = delete;
  ~WholeFileWriter() { Discard(); }

  // Starts a new file for `target`. False when no temporary file can be made.
  bool Open(const std::filesystem::path& target);

  // Appends bytes. False on any error; the writer is then failed.
  bool Write(std::string_view bytes);

  // Puts the file in place of the target. False when the writer is not open
  // or failed, the file cannot be completed, or anything but a regular file
  // stands at the target (a link, FIFO, folder or device is never replaced).
  // The writer is closed afterwards, whatever the result.
  bool Commit();

  // Drops the file without touching the target.
  void Discard();

  bool IsOpen() const { return file_.has_value(); }

 private:
  std::optional<RegularFile> file_;
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::int64_t size_ = 0;
  bool failed_ = false;
};

}  // namespace varkelo::platform
