#include <windows.h>

#include "file_hazards.hpp"

#include <fstream>

void MakeFifo(const std::filesystem::path& path) {
  ASSERT_TRUE(std::filesystem::create_directory(path)) << path;
}

void MakeLink(const std::filesystem::path& target, const std::filesystem::path& at) {
  if (std::filesystem::is_directory(target)) {
    std::ofstream(at, std::ios::binary) << "not a folder";
  } else {
    ASSERT_TRUE(std::filesystem::create_directory(at)) << at;
  }
}

FileSizeLimit::FileSizeLimit(std::uint64_t) {}

FileSizeLimit::~FileSizeLimit() = default;

ReadOnlySharingReader::ReadOnlySharingReader(const std::filesystem::path& path)
    : handle_(reinterpret_cast<std::intptr_t>(
          CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr))) {}

ReadOnlySharingReader::~ReadOnlySharingReader() {
  if (reinterpret_cast<HANDLE>(handle_) != INVALID_HANDLE_VALUE)
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
}
