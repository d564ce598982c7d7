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
