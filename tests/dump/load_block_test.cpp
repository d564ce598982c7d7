#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "dump/block_image.hpp"
#include "file_hazards.hpp"
#include "temp_folder.hpp"

namespace varkelo::dump {
namespace {

// A byte that differs between neighbouring positions and between blocks.
std::uint8_t PatternByte(std::int64_t position) {
  return static_cast<std::uint8_t>(position ^ (position >> 8) ^ ((position >> 17) * 37));
}

TEST(LoadBlockTest, ReadsTheNumberedBlockWithZerosPastTheEndOfTheFile) {
  TempFolder temp;
  const std::int64_t size = 3 * std::int64_t{DumpBlockSize} + 1000;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  for (std::int64_t p = 0; p < size; ++p) bytes[static_cast<std::size_t>(p)] = PatternByte(p);
  ASSERT_TRUE(WriteFileBytes(temp.Path() / "read.nmd", bytes));
  BlockImage image;
  // Block 3 is cut off; blocks 5 on lie wholly past the end, also past what a
  // 32-bit position holds. Returning to the block before the last load takes
  // it back without reading; to another block reads it.
  ASSERT_TRUE(image.LoadBlock(temp.Path() / "read.nmd", 1));
  for (std::int32_t block : {2, 0, 3, 5, 32767, 40'000'000, 32767, 1}) {
    SCOPED_TRACE(block);
    const bool back = block == 32767 || block == 1;
    if (!back) image.LoadBlockBytes(std::vector<std::uint8_t>(10, 0xFF));
    ASSERT_TRUE(back ? image.ReturnToBlock(temp.Path() / "read.nmd", block)
                     : image.LoadBlock(temp.Path() / "read.nmd", block));
    const std::int64_t start = std::int64_t{block} * DumpBlockSize;
    for (std::int64_t i = 0; i < DumpBlockSize; ++i) {
      ASSERT_EQ(image.Bytes()[static_cast<std::size_t>(i)], start + i < size ? PatternByte(start + i) : 0)
          << i;
    }
  }
  // An all-zero head reads as a date of zeros, not as erased.
  ASSERT_TRUE(image.ReturnToBlock(temp.Path() / "read.nmd", 32767));
  EXPECT_EQ(image.Number(head::YearField), 0);
}

TEST(LoadBlockTest, FailureLeavesTheImageUnchanged) {
  TempFolder temp;
  const auto path = temp.Path() / "read.nmd";
  std::ofstream(path, std::ios::binary) << std::string(DumpBlockSize, 'x');
  MakeLink(path, temp.Path() / "link.nmd");
  MakeFifo(temp.Path() / "fifo.nmd");
  BlockImage image;
  std::vector<std::uint8_t> before(DumpBlockSize);
  for (std::size_t i = 0; i < before.size(); ++i) before[i] = static_cast<std::uint8_t>(i * 7);
  image.LoadBlockBytes(before);
  for (const auto& [file, block] : {std::pair{temp.Path() / "missing.nmd", 0},
                                    {temp.Path(), 0},
                                    {path, -1},
                                    {path, -32768},
                                    {temp.Path() / "link.nmd", 0},
                                    {temp.Path() / "fifo.nmd", 0}}) {
    EXPECT_FALSE(image.LoadBlock(file, block)) << file << " " << block;
    EXPECT_TRUE(std::ranges::equal(before, image.Bytes()));
  }
}

}  // namespace
}  // namespace varkelo::dump
