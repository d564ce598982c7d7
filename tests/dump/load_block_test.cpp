#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dump/dump_image.hpp"
#include "file_hazards.hpp"
#include "temp_folder.hpp"

namespace varkelo::dump {
namespace {

// A byte that differs between neighbouring positions and between blocks.
std::uint8_t PatternByte(std::int64_t position) {
  return static_cast<std::uint8_t>(position ^ (position >> 8) ^ ((position >> 17) * 37));
}

class LoadBlockTest : public testing::Test {
 protected:
  std::filesystem::path WriteImageFile(std::int64_t size) {
    std::vector<char> bytes(static_cast<std::size_t>(size));
    for (std::int64_t p = 0; p < size; ++p)
      bytes[static_cast<std::size_t>(p)] = static_cast<char>(PatternByte(p));
    const auto path = temp_.path() / "read.nmd";
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  TempFolder temp_;
  const std::filesystem::path& folder_ = temp_.path();
};

TEST_F(LoadBlockTest, ReadsTheNumberedBlockWithZerosPastTheEndOfTheFile) {
  const std::int64_t size = 3 * std::int64_t{DumpBlockSize} + 1000;
  const auto path = WriteImageFile(size);
  Dump dump;
  dump.PrepareCatalog(HalfHourSchemaId);
  for (std::int32_t block : {2, 0, 3}) {
    SCOPED_TRACE(block);
    ASSERT_TRUE(dump.LoadBlock(path, block));
    ASSERT_EQ(dump.Image().size(), static_cast<std::size_t>(DumpBlockSize));
    const std::int64_t start = std::int64_t{block} * DumpBlockSize;
    for (std::int64_t i = 0; i < DumpBlockSize; ++i) {
      const std::uint8_t expected = start + i < size ? PatternByte(start + i) : 0;
      ASSERT_EQ(dump.Image()[static_cast<std::size_t>(i)], expected) << "byte " << i;
    }
  }

  // Wholly past the end, also past what a 32-bit position holds: an all-zero
  // block whose date reads "0", not "255".
  for (std::int32_t block : {5, 32767, 40'000'000}) {
    dump.LoadBlockBytes(std::vector<std::uint8_t>(10, 0xFF));
    ASSERT_TRUE(dump.LoadBlock(path, block));
    EXPECT_TRUE(std::all_of(dump.Image().begin(), dump.Image().end(), [](auto b) { return b == 0; }))
        << block;
  }
  EXPECT_EQ(dump.GetFieldText(2), "0");
  EXPECT_EQ(dump.GetFieldText(3), "0");
  EXPECT_EQ(dump.GetFieldText(4), "0");
  EXPECT_EQ(dump.FieldCount(), 40374);  // the catalogue outlives the load
}

TEST_F(LoadBlockTest, FailureLeavesTheImageUnchanged) {
  const HangGuard guard;
  const auto path = WriteImageFile(std::int64_t{DumpBlockSize});
  MakeLink(path, folder_ / "link.nmd");
  MakeFifo(folder_ / "fifo.nmd");
  Dump dump;
  std::vector<std::uint8_t> before(DumpBlockSize);
  for (std::size_t i = 0; i < before.size(); ++i) before[i] = static_cast<std::uint8_t>(i * 7);
  dump.LoadBlockBytes(before);

  struct Failure {
    std::filesystem::path Path;
    std::int32_t Block;
  };
  for (const Failure& failure :
       {Failure{folder_ / "missing.nmd", 0}, Failure{folder_, 0}, Failure{path, -1}, Failure{path, -32768},
        Failure{folder_ / "link.nmd", 0}, Failure{folder_ / "fifo.nmd", 0}}) {
    SCOPED_TRACE(failure.Path.string() + " block " + std::to_string(failure.Block));
    EXPECT_FALSE(dump.LoadBlock(failure.Path, failure.Block));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), dump.Image().begin(), dump.Image().end()));
  }
}

}  // namespace
}  // namespace varkelo::dump
