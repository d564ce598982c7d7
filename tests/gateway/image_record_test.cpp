#include "gateway/image_record.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "file_hazards.hpp"
#include "temp_folder.hpp"

namespace varkelo::gateway {
namespace {

std::vector<std::uint8_t> Record(char fill) {
  return std::vector<std::uint8_t>(1024, static_cast<std::uint8_t>(fill));
}

TEST(ImageRecordTest, WritesAtTheRecordsPlaceWithoutTouchingTheOthers) {
  TempFolder folder;
  const auto path = folder.path() / "read.nmd";
  ASSERT_TRUE(WriteImageRecord(path, 3, Record('c')));  // a missing file is made up to the record
  EXPECT_EQ(ReadFileBytes(path), std::string(2048, '\0') + std::string(1024, 'c'));
  std::ofstream(path, std::ios::binary) << std::string(4 * 1024, 'x');

  ASSERT_TRUE(WriteImageRecord(path, 2, Record('b')));
  ASSERT_TRUE(WriteImageRecord(path, 6, Record('f')));  // beyond the end: extends the file
  ASSERT_TRUE(WriteImageRecord(path, 1, Record('a')));

  const std::string expected = std::string(1024, 'a') + std::string(1024, 'b') + std::string(2048, 'x') +
                               std::string(1024, '\0') + std::string(1024, 'f');
  EXPECT_EQ(ReadFileBytes(path), expected);
}

TEST(ImageRecordTest, RefusesWhatNamesNoRecordOrCannotBeWrittenAndNeverWritesThroughALink) {
  const HangGuard guard;
  TempFolder folder;
  const auto path = folder.path() / "read.nmd";
  EXPECT_FALSE(WriteImageRecord(path, 0, Record('z')));
  EXPECT_FALSE(WriteImageRecord(path, -1, Record('z')));
  EXPECT_FALSE(WriteImageRecord(path, 1, std::vector<std::uint8_t>(1023)));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(WriteImageRecord(folder.path() / "missing" / "read.nmd", 1, Record('z')));
  MakeFifo(folder.path() / "fifo.nmd");
  EXPECT_FALSE(WriteImageRecord(folder.path() / "fifo.nmd", 1, Record('z')));  // at once
  std::ofstream(folder.path() / "outside") << "kept";
  MakeLink(folder.path() / "outside", path);
  EXPECT_FALSE(WriteImageRecord(path, 1, Record('z')));
  EXPECT_EQ(ReadFileBytes(folder.path() / "outside"), "kept");
  std::filesystem::remove(path);
  std::filesystem::create_directory(path);
  EXPECT_FALSE(WriteImageRecord(path, 1, Record('z')));
}

}  // namespace
}  // namespace varkelo::gateway
