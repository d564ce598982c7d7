#pragma once

// A FIFO where a file is read or written, a guard that turns a hang on it into
// a failed test, a limit that makes writes fail as on a full disk, and the
// temporary files of the whole-or-nothing writer. What needs the system is in
// file_hazards_posix.cpp or file_hazards_windows.cpp.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
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

// Ends the test program when a test hangs for 20 s instead of failing.
class HangGuard {
  std::jthread watchdog_{[](std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    wake.wait_for(lock, stop, std::chrono::seconds(20), [] { return false; });
    if (stop.stop_requested()) return;
    std::fputs("a test hung for 20 s\n", stderr);
    std::abort();
  }};
};

inline std::vector<std::filesystem::path> TemporaryFilesUnder(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(".") && name.ends_with(".tmp")) found.push_back(entry.path());
  }
  return found;
}
