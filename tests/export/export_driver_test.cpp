#include "export/export_driver.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "file_hazards.hpp"
#include "sector_builder.hpp"
#include "temp_folder.hpp"

namespace fs = std::filesystem;
using namespace varkelo::exporting;

namespace {

constexpr ExportOutcome Success = ExportOutcome::Success;
constexpr ExportOutcome CsvError = ExportOutcome::CsvError;

class RecordingProgress : public ExportProgress {
 public:
  void LetEventsRun() override { ++yields; }
  void OnProgress(int percent) override { percents.push_back(percent); }
  std::vector<int> percents;
  int yields = 0;
};

class ExportDriverTest : public ::testing::Test {
 protected:
  ExportDriverTest() : image_path(temp.path() / "read.nmd"), gateway(temp.path() / "GW000001") {
    image.Block(0).SetDeviceId("GW000001ABCD");
  }

  ExportOutcome Run(const std::string& version = "2.00") {
    image.Block(0).SetProgramVersion(version);
    EXPECT_TRUE(image.Write(image_path));
    return RunWritten();
  }
  ExportOutcome RunWritten() {
    Exporter exporter(temp.path());
    return exporter.RunExport(image_path, listener);
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
  RecordingProgress listener;
};

TEST_F(ExportDriverTest, ProgramVersionChoosesTheLayout) {
  // Byte 8 is the collection ID of meter 1 in a half-hourly sector, but part of an
  // interval value in an interval sector, whose slot 0 is not saved here.
  const struct {
    const char* version;
    const char* first_cell;
  } cases[] = {{"1.02", "7"}, {"1", "7"}, {"2.00", "-"}, {"01.0", "-"}, {"", "-"}};
  for (const auto& c : cases) {
    image.Block(5).SetDate(12, 1, 5);
    image.Block(5).SetWord(8, 7);
    EXPECT_EQ(Run(c.version), Success) << c.version;
    EXPECT_EQ(FirstCell(gateway / "201201" / "20120105.csv"), c.first_cell) << c.version;
  }
}

TEST_F(ExportDriverTest, AllSectorsErasedWritesOnlyTheMeterList) {
  EXPECT_EQ(Run(), Success);
  std::vector<fs::path> written;
  for (const auto& entry : fs::recursive_directory_iterator(gateway)) written.push_back(entry.path());
  EXPECT_EQ(written, std::vector<fs::path>{gateway / "ID.csv"});
  EXPECT_EQ(listener.percents.size(), 63u);
  EXPECT_EQ(listener.percents.front(), 1);
  EXPECT_EQ(listener.percents[31], 50);
  EXPECT_EQ(listener.percents.back(), 100);
  EXPECT_EQ(listener.yields, 63);
}

TEST_F(ExportDriverTest, FailureAtBlockTenKeepsWhatCameBefore) {
  for (int block = 1; block <= 12; ++block) image.Block(block).SetDate(12, 1, block);
  image.Block(10).SetDate(12, 2, 30);  // no calendar date
  EXPECT_EQ(Run("1.02"), CsvError);
  for (int day = 1; day <= 9; ++day) {
    char name[16];
    std::snprintf(name, sizeof name, "201201%02d.csv", day);
    EXPECT_EQ(LineCount(gateway / "201201" / name), 1921) << name;
  }
  EXPECT_FALSE(fs::exists(gateway / "201201" / "20120111.csv"));
  EXPECT_EQ(listener.percents.size(), 10u);
  EXPECT_EQ(listener.percents.back(), 100);
}

TEST_F(ExportDriverTest, ShortFileEndsAtTheFirstMissingBlock) {
  ImageFile shortImage(3);  // configuration block and two sectors
  shortImage.Block(0).SetDeviceId("GW000001");
  shortImage.Block(0).SetProgramVersion("1.02");
  shortImage.Block(1).SetDate(12, 1, 1);
  ASSERT_TRUE(shortImage.Write(image_path));
  // Block 3 reads as zeros: year 0, month 0, day 0 is no date.
  EXPECT_EQ(RunWritten(), CsvError);
  EXPECT_EQ(LineCount(gateway / "201201" / "20120101.csv"), 1921);
  EXPECT_EQ(listener.percents.back(), 100);
}

TEST_F(ExportDriverTest, ImpossibleIntervalDateFailsBeforeAnyFileOfIt) {
  image.Block(3).SetDate(12, 13, 3);
  EXPECT_EQ(Run("2.00"), CsvError);
  EXPECT_FALSE(fs::exists(gateway / "201213"));
}

TEST_F(ExportDriverTest, MissingImageMakesNothing) {
  EXPECT_EQ(RunWritten(), CsvError);
  EXPECT_FALSE(fs::exists(gateway));
  EXPECT_TRUE(listener.percents.empty());
  EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 0);
}

TEST_F(ExportDriverTest, WhatIsNoFolderOrFileOfTheExportFailsItAndIsLeftAsItIs) {
  const HangGuard guard;
  const fs::path outside = temp.path() / "outside";
  const fs::path month = gateway / "201201";
  fs::create_directory(outside);
  enum Hazard { File, Link, Fifo };
  const struct {
    fs::path at;
    Hazard hazard;
  } cases[] = {{gateway, File},
               {gateway, Link},
               {gateway / "ID.csv", Fifo},
               {month, Link},
               {month / "20120105.csv", Fifo}};
  image.Block(5).SetDate(12, 1, 5);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.at.string() + " " + std::to_string(c.hazard));
    fs::remove_all(gateway);
    fs::create_directories(c.at.parent_path());
    if (c.hazard == File) std::ofstream(c.at) << "x";
    if (c.hazard == Link) MakeLink(outside, c.at);
    if (c.hazard == Fifo) MakeFifo(c.at);
    const fs::file_type kind = fs::symlink_status(c.at).type();
    EXPECT_EQ(Run("1.02"), CsvError);
    EXPECT_EQ(fs::symlink_status(c.at).type(), kind);
    EXPECT_TRUE(fs::is_empty(outside));
  }
  EXPECT_TRUE(TemporaryFilesUnder(temp.path()).empty());
}

TEST_F(ExportDriverTest, FullDayFileWinsOverNextDayStartWhateverTheBlockOrder) {
  // 29 Feb 2012 lies in block 60, after 1 March 2012 in block 1: its start file
  // for 1 March must not replace the full file written first. 31 Jan 2012 (block 31)
  // comes before 1 Feb 2012 (block 32): the full file replaces the start file.
  const struct { int block, month, day; } days[] = {{60, 2, 29}, {1, 3, 1}, {31, 1, 31}, {32, 2, 1}};
  for (const auto& d : days) {
    image.Block(d.block).SetDate(12, d.month, d.day);
    for (int slot = 0; slot < 96; ++slot) {
      const auto r = static_cast<std::uint32_t>(100 + slot);
      image.Block(d.block).SetIntervalSlot(slot, slot / 4, 15 * (slot % 4), 1);
      image.Block(d.block).SetIntervalMeter(slot, 1, {{3, 3, 3, 3}, {r, r + 1, r + 2, r + 3}, 0, "1"});
    }
  }
  EXPECT_EQ(Run("2.00"), Success);
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
