#include "gateway/image_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

// Only a regular file: the first record fails at once on a FIFO or a link (a
// folder is one of the link's failure cases), and nothing is written through the link.
TEST(ImageFileTest, AnythingButARegularFileFailsAtTheFirstRecord) {
  TempFolder folder;
  const auto path = folder.path() / "read.nmd";
  std::ofstream(folder.path() / "outside") << "kept";
  const struct {
    const char* name;
    void (*make)(const std::filesystem::path& outside, const std::filesystem::path& at);
  } cases[] = {
      {"FIFO", [](const auto&, const auto& at) { MakeFifo(at); }},
      {"link", [](const auto& outside, const auto& at) { MakeLink(outside, at); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.make(folder.path() / "outside", path);
    ImageFile image(path);
    EXPECT_FALSE(image.Write(1, RecordA));
    EXPECT_TRUE(image.Close());
    EXPECT_EQ(ReadFileBytes(folder.path() / "outside"), "kept");
    std::filesystem::remove(path);
  }
}

}  // namespace
}  // namespace varkelo::gateway
