#pragma once

// A FIFO where a file is read or written, a limit that makes writes fail as on
// a full disk, and the temporary files of the whole-or-nothing writer. What
// needs the system is in file_hazards_posix.cpp or file_hazards_windows.cpp.
// A test that blocks on a FIFO fails by its CTest time-out.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A FIFO without a writer: opened the ordinary way for reading, it blocks for
// ever. Windows has no FIFOs: a folder stands there instead, which is not a
// regular file either but cannot block.
void MakeFifo(const std::filesystem::path& path);

// A symbolic link at `at` to `target`. Windows test programs cannot make one
// (it takes a privilege there, and Wine's are partial): what stands at `at`
// instead is of the other kind than the target, a folder for a file and a
// file for a folder, which the code must refuse just as it refuses the link.
void MakeLink(const std::filesystem::path& target, const std::filesystem::path& at);

// While it lives, writes that would make any file larger than `bytes` fail,
// as on a full disk. Not Active where the system has no such limit (Windows).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(std::uint64_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool Active() const { return active_; }

 private:
  bool active_ = false;
  std::uint64_t oldLimit_ = 0;
  void (*oldHandler_)(int) = nullptr;
};

// Another program reading the file at `path` that lets others only read it
// while it holds it open (a virus scanner, a backup tool), when the system
// lets it open the file at all. POSIX has no such sharing: a plain reader.
class ReadOnlySharingReader {
 public:
  explicit ReadOnlySharingReader(const std::filesystem::path& path);
  ~ReadOnlySharingReader();
  ReadOnlySharingReader(const ReadOnlySharingReader&) = delete;
  ReadOnlySharingReader& operator=(const ReadOnlySharingReader&) = delete;

 private:
  std::intptr_t handle_ = -1;
};

inline std::vector<std::filesystem::path> TemporaryFilesUnder(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(".") && name.ends_with(".tmp")) found.push_back(entry.path());
  }
  return found;
}
