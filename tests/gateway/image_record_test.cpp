#include "gateway/image_record.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "file_hazards.hpp"
#include "gateway/frames.hpp"
#include "temp_folder.hpp"

namespace varkelo::gateway {
namespace {

// Where records go, and that a record beyond the end extends the file, are in
// the link tests; here what only a broken caller or a hostile folder brings.
TEST(ImageRecordTest, RefusesWhatNamesNoRecordOrCannotBeWrittenAndNeverWritesThroughALink) {
  TempFolder folder;
  const auto path = folder.path() / "read.nmd";
  const std::vector<std::uint8_t> record(RecordSize, 'z');
  EXPECT_FALSE(WriteImageRecord(path, 0, record));
  EXPECT_FALSE(WriteImageRecord(path, -1, record));
  EXPECT_FALSE(WriteImageRecord(path, 1, std::vector<std::uint8_t>(RecordSize - 1)));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(WriteImageRecord(folder.path() / "missing" / "read.nmd", 1, record));
  MakeFifo(folder.path() / "fifo.nmd");
  EXPECT_FALSE(WriteImageRecord(folder.path() / "fifo.nmd", 1, record));  // at once
  std::ofstream(folder.path() / "outside") << "kept";
  MakeLink(folder.path() / "outside", path);
  EXPECT_FALSE(WriteImageRecord(path, 1, record));
  EXPECT_EQ(ReadFileBytes(folder.path() / "outside"), "kept");
  std::filesystem::remove(path);
  std::filesystem::create_directory(path);
  EXPECT_FALSE(WriteImageRecord(path, 1, record));
}

}  // namespace
}  // namespace varkelo::gateway
