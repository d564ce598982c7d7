#pragma once

// A folder of the fuzz target's own, made once per process and removed when
// the process ends normally. It lies in memory (/dev/shm) where the machine
// has that: a file system on disk flushes a file rewritten in place, which
// would cost each execution milliseconds.

#include <unistd.h>

#include <filesystem>
#include <string>
#include <string_view>

class ScratchFolder {
 public:
  explicit ScratchFolder(std::string_view name)
      : path_(Base() / ("varkelo-fuzz-" + std::string(name) + "-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  static std::filesystem::path Base() {
    std::error_code error;
    if (std::filesystem::is_directory("/dev/shm", error)) return "/dev/shm";
    return std::filesystem::temp_directory_path();
  }

  std::filesystem::path path_;
};
