#include "gateway/image_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "file_hazards.hpp"
#include "gateway/frames.hpp"
#include "temp_folder.hpp"

namespace varkelo::gateway {
namespace {

const std::vector<std::uint8_t> RecordA(RecordSize, 'a'), RecordB(RecordSize, 'b'), Old(4 * RecordSize, 'o');

// "read.nmd" holds the last complete image: a download that ends early leaves
// it byte for byte, and a complete one, shorter, leaves none of its tail.
TEST(ImageFileTest, ReplacesTheImageOnlyWhenComplete) {
  TempFolder folder;
  const auto path = folder.path() / "read.nmd";
  ASSERT_TRUE(WriteFileBytes(path, Old));
  {
    ImageFile failed(path);
    ASSERT_TRUE(failed.Write(3, RecordA));
    EXPECT_EQ(TemporaryFilesUnder(folder.path()).size(), 1u);
    failed.Discard();
  }
  EXPECT_EQ(ReadFileBytes(path), std::string(Old.begin(), Old.end()));
  EXPECT_TRUE(TemporaryFilesUnder(folder.path()).empty());

  ImageFile image(path);
  ASSERT_TRUE(image.Write(3, RecordA));
  ASSERT_TRUE(image.Write(1, RecordB));
  EXPECT_EQ(ReadFileBytes(path), std::string(Old.begin(), Old.end()));
  EXPECT_TRUE(image.Commit());
  EXPECT_EQ(ReadFileBytes(path), std::string(RecordB.begin(), RecordB.end()) + std::string(RecordSize, '\0') +
                                     std::string(RecordA.begin(), RecordA.end()));
  EXPECT_TRUE(TemporaryFilesUnder(folder.path()).empty());
}

}  // namespace
}  // namespace varkelo::gateway
