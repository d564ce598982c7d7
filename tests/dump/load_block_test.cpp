#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dump/dump_image.hpp"

namespace varkelo::dump {
namespace {

// A byte that differs between neighbouring positions and between blocks.
std::uint8_t PatternByte(std::int64_t position) {
  return static_cast<std::uint8_t>(position ^ (position >> 8) ^ ((position >> 17) * 37));
}

class LoadDumpBlockTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("varkelo_dump_test_" + std::to_string(::getpid()) + "_" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::filesystem::path WriteImageFile(std::int64_t size) {
    std::vector<char> bytes(static_cast<std::size_t>(size));
    for (std::int64_t p = 0; p < size; ++p)
      bytes[static_cast<std::size_t>(p)] = static_cast<char>(PatternByte(p));
    const auto path = folder_ / "read.nmd";
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  std::filesystem::path folder_;
};

TEST_F(LoadDumpBlockTest, ReadsTheBytesOfTheNumberedBlock) {
  const auto path = WriteImageFile(5 * std::int64_t{DumpBlockSize});
  Dump dump;
  for (std::int16_t block : {3, 0, 4}) {
    SCOPED_TRACE(block);
    dump.BlockNumber = block;
    ASSERT_TRUE(dump.LoadDumpBlock(path));
    ASSERT_EQ(dump.DumpImage.size(), static_cast<std::size_t>(DumpBlockSize));
    const std::int64_t start = std::int64_t{block} * DumpBlockSize;
    for (std::int64_t i = 0; i < DumpBlockSize; ++i) {
      ASSERT_EQ(dump.DumpImage[static_cast<std::size_t>(i)], PatternByte(start + i)) << "byte " << i;
    }
  }
}

TEST_F(LoadDumpBlockTest, BytesPastTheEndOfTheFileReadAsZero) {
  const std::int64_t tail = 1000;
  const auto path = WriteImageFile(3 * std::int64_t{DumpBlockSize} + tail);
  Dump dump;
  dump.PrepareCatalog(HalfHourSchemaId);

  dump.BlockNumber = 3;
  ASSERT_TRUE(dump.LoadDumpBlock(path));
  for (std::int64_t i = 0; i < DumpBlockSize; ++i) {
    const std::uint8_t expected = i < tail ? PatternByte(3 * std::int64_t{DumpBlockSize} + i) : 0;
    ASSERT_EQ(dump.DumpImage[static_cast<std::size_t>(i)], expected) << "byte " << i;
  }

  // Wholly past the end: an all-zero block whose date reads "0", not "255".
  dump.BlockNumber = 5;
  ASSERT_TRUE(dump.LoadDumpBlock(path));
  EXPECT_TRUE(std::all_of(dump.DumpImage.begin(), dump.DumpImage.end(), [](auto b) { return b == 0; }));
  EXPECT_EQ(dump.GetFieldText(2), "0");
  EXPECT_EQ(dump.GetFieldText(3), "0");
  EXPECT_EQ(dump.GetFieldText(4), "0");
  EXPECT_EQ(dump.FieldCount, 40374);  // the catalogue outlives the load
}

TEST_F(LoadDumpBlockTest, BlockBeyondA32BitPositionReadsAsZero) {
  const auto path = WriteImageFile(1024);
  Dump dump;
  dump.BlockNumber = 32767;  // starts at byte 4294836224
  ASSERT_TRUE(dump.LoadDumpBlock(path));
  EXPECT_TRUE(std::all_of(dump.DumpImage.begin(), dump.DumpImage.end(), [](auto b) { return b == 0; }));
}

TEST_F(LoadDumpBlockTest, FailureLeavesTheImageUnchanged) {
  const auto path = WriteImageFile(std::int64_t{DumpBlockSize});
  Dump dump;
  for (std::size_t i = 0; i < dump.DumpImage.size(); ++i)
    dump.DumpImage[i] = static_cast<std::uint8_t>(i * 7);
  const std::vector<std::uint8_t> before = dump.DumpImage;

  struct Failure {
    std::filesystem::path Path;
    std::int16_t Block;
  };
  for (const Failure& failure :
       {Failure{folder_ / "missing.nmd", 0}, Failure{folder_, 0}, Failure{path, -1}, Failure{path, -32768}}) {
    SCOPED_TRACE(failure.Path.string() + " block " + std::to_string(failure.Block));
    dump.BlockNumber = failure.Block;
    EXPECT_FALSE(dump.LoadDumpBlock(failure.Path));
    EXPECT_EQ(dump.DumpImage, before);
  }
}

}  // namespace
}  // namespace varkelo::dump
