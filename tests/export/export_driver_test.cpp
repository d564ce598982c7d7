#include "export/export_driver.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "image_file.hpp"
#include "temp_folder.hpp"

namespace fs = std::filesystem;
using namespace varkelo::exporting;

namespace {

class RecordingWindow : public ExportWindow {
 public:
  void SetCsvProgress(int value) override { progress.push_back(value); }
  void LetEventsRun() override { ++yields; }
  std::vector<int> progress;
  int yields = 0;
};

class ExportDriverTest : public ::testing::Test {
 protected:
  ExportDriverTest() : image_path(temp.path() / "read.nmd"), gateway(temp.path() / "GW000001") {
    image.SetDeviceId("GW000001ABCD");
  }

  std::int32_t Run(const std::string& version = "2.00") {
    image.SetProgramVersion(version);
    EXPECT_TRUE(image.Write(image_path));
    return RunWritten();
  }
  std::int32_t RunWritten() {
    Exporter exporter(temp.path());
    std::int32_t code = 0;
    exporter.RunExport(image_path, window, code);
    return code;
  }

  // The first field of the first data line of a day file.
  static std::string FirstCell(const fs::path& file) {
    const std::string bytes = ReadFileBytes(file);
    const auto line2 = bytes.find("\r\n") + 2;
    return bytes.substr(line2, bytes.find(',', line2) - line2);
  }

  static int LineCount(const fs::path& file) {
    const std::string bytes = ReadFileBytes(file);
    return static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
  }

  TempFolder temp;
  fs::path image_path;
  fs::path gateway;
  ImageFile image;
  RecordingWindow window;
};

TEST_F(ExportDriverTest, ProgramVersionChoosesTheLayout) {
  // Byte 8 is the collection ID of meter 1 in a half-hourly sector, but part of an
  // interval value in an interval sector, whose slot 0 is not saved here.
  const struct {
    const char* version;
    const char* first_cell;
  } cases[] = {{"1.02", "7"}, {"1", "7"}, {"2.00", "-"}, {"01.0", "-"}, {"", "-"}};
  for (const auto& c : cases) {
    image.SetDate(5, 12, 1, 5);
    image.Block(5)[8] = 7;
    image.Block(5)[9] = 0;
    EXPECT_EQ(Run(c.version), 1) << c.version;
    EXPECT_EQ(FirstCell(gateway / "201201" / "20120105.csv"), c.first_cell) << c.version;
  }
}

TEST_F(ExportDriverTest, AllSectorsErasedWritesOnlyTheMeterList) {
  EXPECT_EQ(Run(), 1);
  std::vector<fs::path> written;
  for (const auto& entry : fs::recursive_directory_iterator(gateway)) written.push_back(entry.path());
  EXPECT_EQ(written, std::vector<fs::path>{gateway / "ID.csv"});
  EXPECT_EQ(window.progress.size(), 63u);
  EXPECT_EQ(window.progress.front(), 1);
  EXPECT_EQ(window.progress[31], 50);
  EXPECT_EQ(window.progress.back(), 100);
  EXPECT_EQ(window.yields, 63);
}

TEST_F(ExportDriverTest, FailureAtBlockTenKeepsWhatCameBefore) {
  for (int block = 1; block <= 12; ++block) image.SetDate(block, 12, 1, block);
  image.SetDate(10, 12, 2, 30);  // no calendar date
  EXPECT_EQ(Run("1.02"), 5);
  for (int day = 1; day <= 9; ++day) {
    char name[16];
    std::snprintf(name, sizeof name, "201201%02d.csv", day);
    EXPECT_EQ(LineCount(gateway / "201201" / name), 1921) << name;
  }
  EXPECT_FALSE(fs::exists(gateway / "201201" / "20120111.csv"));
  EXPECT_EQ(window.progress.size(), 10u);
  EXPECT_EQ(window.progress.back(), 100);
}

TEST_F(ExportDriverTest, ShortFileEndsAtTheFirstMissingBlock) {
  ImageFile shortImage(3);  // configuration block and two sectors
  shortImage.SetDeviceId("GW000001");
  shortImage.SetProgramVersion("1.02");
  shortImage.SetDate(1, 12, 1, 1);
  ASSERT_TRUE(shortImage.Write(image_path));
  // Block 3 reads as zeros: year 0, month 0, day 0 is no date.
  EXPECT_EQ(RunWritten(), 5);
  EXPECT_EQ(LineCount(gateway / "201201" / "20120101.csv"), 1921);
  EXPECT_EQ(window.progress.back(), 100);
}

TEST_F(ExportDriverTest, ImpossibleIntervalDateFailsBeforeAnyFileOfIt) {
  image.SetDate(3, 12, 13, 3);
  EXPECT_EQ(Run("2.00"), 5);
  EXPECT_FALSE(fs::exists(gateway / "201213"));
}

TEST_F(ExportDriverTest, MissingImageMakesNothing) {
  EXPECT_EQ(RunWritten(), 5);
  EXPECT_FALSE(fs::exists(gateway));
  EXPECT_TRUE(window.progress.empty());
  EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 0);
}

TEST_F(ExportDriverTest, GatewayFolderThatCannotBeMadeIsACsvError) {
  std::ofstream(gateway) << "a file where the folder belongs";
  EXPECT_EQ(Run(), 5);
  EXPECT_TRUE(window.progress.empty());
}

TEST_F(ExportDriverTest, FullDayFileWinsOverNextDayStartWhateverTheBlockOrder) {
  // 29 Feb 2012 lies in block 60, after 1 March 2012 in block 1: its start file
  // for 1 March must not replace the full file written first. 31 Jan 2012 (block 31)
  // comes before 1 Feb 2012 (block 32): the full file replaces the start file.
  const struct { int block, month, day; } days[] = {{60, 2, 29}, {1, 3, 1}, {31, 1, 31}, {32, 2, 1}};
  for (const auto& d : days) {
    image.SetDate(d.block, 12, d.month, d.day);
    for (int slot = 0; slot < 96; ++slot) {
      image.SetIntervalSlot(d.block, slot, slot / 4, 15 * (slot % 4), 1);
      image.SetIntervalMeter(d.block, slot, 1, 3, 100 + slot, 0, "1");
    }
  }
  EXPECT_EQ(Run("2.00"), 1);
  for (const char* file : {"201203/20120301.csv", "201202/20120201.csv"}) {
    const std::string bytes = ReadFileBytes(gateway / file);
    EXPECT_EQ(LineCount(gateway / file), 1921) << file;
    // A start file holds only filler after its first 40 rows; a full file has the 23:30 row.
    EXPECT_NE(bytes.find(",23,30,1,6,6,6,6,"), std::string::npos) << file;
  }
  // And the day after the last day got its start file.
  const std::string start = ReadFileBytes(gateway / "201203" / "20120302.csv");
  EXPECT_NE(start.find("\r\n1,12,3,2,0,0,1,-,-,-,-,195,196,197,198,1\r\n"), std::string::npos);
}

}  // namespace
