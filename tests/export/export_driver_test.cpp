#include "export/export_driver.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "file_hazards.hpp"
#include "sector_builder.hpp"

namespace fs = std::filesystem;
using namespace varkelo;
using namespace varkelo::exporting;

namespace {

class RecordingProgress : public ExportProgress {
 public:
  void LetEventsRun() override { ++yields; }
  bool StopRequested() override { return false; }
  void OnProgress(int percent) override { percents.push_back(percent); }
  std::vector<int> percents;
  int yields = 0;
};

class ExportDriverTest : public ::testing::Test {
 protected:
  ExportOutcome Run(ImageFile& image, std::string_view version) {
    image.Block(dump::ConfigBlock).Text(dump::config::DeviceId, "GW000001ABCD");
    image.Block(dump::ConfigBlock).Text(dump::config::ProgramVersion, version);
    EXPECT_TRUE(image.Write(temp.Path() / "read.nmd"));
    progress = RecordingProgress();
    Exporter exporter(temp.Path());
    result = exporter.RunExport(temp.Path() / "read.nmd", progress);
    // A failure, and only a failure, says why.
    EXPECT_EQ(result.failure.what.empty(), result.outcome != ExportOutcome::CsvError);
    return result.outcome;
  }
  std::string Reason() const { return result.failure.Describe(); }

  TempFolder temp;
  fs::path gateway = temp.Path() / "GW000001";
  ImageFile half{dump::Layout::HalfHour};
  ImageFile interval{dump::Layout::Interval};
  RecordingProgress progress;
  ExportResult result;
};

TEST_F(ExportDriverTest, ProgramVersionChoosesTheLayout) {
  // Meter 1's collection ID in a half-hourly sector; part of an interval value of slot 0,
  // which is not saved, in an interval sector.
  half.Block(5).SetDate(12, 1, 5);
  half.Block(5).Number(dump::halfhour::Record(0, 1) + dump::halfhour::CollectionId, 7);
  for (const auto& [version, firstCell] :
       {std::pair{"1.02", "7"}, {"1", "7"}, {"2.00", "-"}, {"01.0", "-"}, {"", "-"}}) {
    EXPECT_EQ(Run(half, version), ExportOutcome::Success) << version;
    const std::string line = ReadCsvLines(gateway / "201201" / "20120105.csv").at(1);
    EXPECT_EQ(line.substr(0, line.find(',')), firstCell) << version;
  }
}

TEST_F(ExportDriverTest, AllSectorsErasedWritesOnlyTheMeterList) {
  EXPECT_EQ(Run(interval, "2.00"), ExportOutcome::Success);
  EXPECT_EQ(result.gatewayFolder, gateway);
  EXPECT_EQ(result.dayFiles, 0);
  std::vector<fs::path> written;
  for (const auto& entry : fs::recursive_directory_iterator(gateway)) written.push_back(entry.path());
  EXPECT_EQ(written, std::vector<fs::path>{gateway / "ID.csv"});
  // Events run and progress shows once per block read.
  EXPECT_EQ(progress.yields, dump::LastSectorBlock);
  EXPECT_EQ(progress.percents.size(), static_cast<std::size_t>(dump::LastSectorBlock));
}

TEST_F(ExportDriverTest, FailureKeepsWhatCameBeforeAndMakesNothingOfTheBadDay) {
  for (int block = 1; block <= 12; ++block) half.Block(block).SetDate(12, 1, block);
  half.Block(10).SetDate(12, 2, 30);  // no calendar date
  EXPECT_EQ(Run(half, "1.02"), ExportOutcome::CsvError);
  EXPECT_EQ(result.dayFiles, 9);
  EXPECT_NE(Reason().find("block 10 names no calendar date (12-2-30)"), std::string::npos) << Reason();
  for (int day = 1; day <= 9; ++day)
    EXPECT_EQ(ReadCsvLines(gateway / "201201" / ("2012010" + std::to_string(day) + ".csv")).size(),
              DayFileLines);
  EXPECT_FALSE(fs::exists(gateway / "201201" / "20120111.csv"));
  EXPECT_EQ(progress.percents.size(), 10u);
  EXPECT_EQ(progress.percents.back(), 100);

  // An interval day is checked before its month folder is made.
  interval.Block(3).SetDate(12, 13, 3);
  EXPECT_EQ(Run(interval, "2.00"), ExportOutcome::CsvError);
  EXPECT_FALSE(fs::exists(gateway / "201213"));
}

TEST_F(ExportDriverTest, WhatIsNoFolderOrFileOfTheExportFailsItAndIsLeftAsItIs) {
  const fs::path outside = temp.Path() / "outside";
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
  half.Block(5).SetDate(12, 1, 5);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.at.string() + " " + std::to_string(c.hazard));
    fs::remove_all(gateway);
    fs::create_directories(c.at.parent_path());
    if (c.hazard == File) std::ofstream(c.at) << "x";
    if (c.hazard == Link) MakeLink(outside, c.at);
    if (c.hazard == Fifo) MakeFifo(c.at);
    const fs::file_type kind = fs::symlink_status(c.at).type();
    EXPECT_EQ(Run(half, "1.02"), ExportOutcome::CsvError);
    EXPECT_EQ(result.failure.subject, c.at.string());
    EXPECT_EQ(fs::symlink_status(c.at).type(), kind);
    EXPECT_TRUE(fs::is_empty(outside));
  }
  EXPECT_TRUE(TemporaryFilesUnder(temp.Path()).empty());
}

}  // namespace
