#pragma once

// A FIFO where a file is read or written, a guard that turns a hang on it into
// a failed test, and the temporary files of the whole-or-nothing writer.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

// A FIFO without a writer: opened the ordinary way for reading, it blocks for ever.
inline void MakeFifo(const std::filesystem::path& path) {
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
}

// Ends the test program (SIGALRM) when a test hangs instead of failing.
struct HangGuard {
  HangGuard() { ::alarm(20); }
  ~HangGuard() { ::alarm(0); }
};

inline std::vector<std::filesystem::path> TemporaryFilesUnder(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(".") && name.ends_with(".tmp")) found.push_back(entry.path());
  }
  return found;
}
