#include "gateway/image_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "file_hazards.hpp"
#include "gateway/frames.hpp"
#include "temp_folder.hpp"

namespace varkelo::gateway {
namespace {

const std::vector<std::uint8_t> RecordA(RecordSize, 'a'), RecordB(RecordSize, 'b');

// Held open for the download: a reader that allows others only to read, which
// gets in while nothing holds the file, could refuse every later write.
TEST(ImageFileTest, HeldOpenFromTheFirstRecordSoAReaderCannotBreakTheDownload) {
  TempFolder folder;
  const auto path = folder.path() / "read.nmd";
  ImageFile image(path);
  ASSERT_TRUE(image.Write(3, RecordA));
  {
    ReadOnlySharingReader reader(path);
    EXPECT_TRUE(image.Write(1, RecordB));
  }
  EXPECT_TRUE(image.Close());
  EXPECT_EQ(ReadFileBytes(path), std::string(RecordB.begin(), RecordB.end()) + std::string(RecordSize, '\0') +
                                     std::string(RecordA.begin(), RecordA.end()));
}

}  // namespace
}  // namespace varkelo::gateway
