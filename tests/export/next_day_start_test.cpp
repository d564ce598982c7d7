#include "export/next_day_start.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "csv_file_lines.hpp"
#include "sector_builder.hpp"
#include "temp_folder.hpp"
#include "text/cp932.hpp"

using namespace varkelo;
using namespace varkelo::exporting;

namespace {

constexpr int LastSlot = 95;

class NextDayStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dump.PrepareCatalog(2);
    gateway = temp.path() / "GW000001";
    std::filesystem::create_directory(gateway);
  }

  // A sector of year/month/day whose slot 95 was saved at hour:minute.
  void Sector(int year, int month, int day, int hour = 23, int minute = 45) {
    sector.SetDate(year, month, day);
    sector.SetIntervalSlot(LastSlot, hour, minute, 1);
  }

  void Meter(int meter, std::uint8_t state, std::array<std::uint32_t, 4> readings = {100, 101, 102, 103},
             std::string_view multiplier = "1") {
    sector.SetIntervalMeter(LastSlot, meter, {{9, 9, 9, 9}, readings, state, multiplier});
  }

  dump::Dump dump;
  SectorBuilder sector{dump};
  TempFolder temp;
  std::filesystem::path gateway;
};

TEST_F(NextDayStartTest, LastDayOfTheYearStartsJanuaryFirst) {
  Sector(12, 12, 31, 23, 45);
  Meter(1, 0);
  ASSERT_TRUE(WriteNextDayStart(sector.Loaded(), gateway, 12, 12, 31));

  const std::filesystem::path file = gateway / "201301" / "20130101.csv";
  const std::vector<std::string> lines = ReadCsvLines(file);
  ASSERT_EQ(lines.size(), 1921u);
  EXPECT_EQ(lines[0],
            "収集ID,年,月,日,時,分,リセットフラグ,区間使用電力量(順方向1),区間使用電力量(逆方向1),"
            "区間使用電力量(順方向2),区間使用電力量(順方向3),積算電力量(順方向1),積算電力量(逆方向1),"
            "積算電力量(順方向2),積算電力量(順方向3),乗率");
  EXPECT_EQ(lines[1], "1,13,1,1,0,0,1,-,-,-,-,100,101,102,103,1");
  for (int n = 2; n <= 40; ++n) {
    EXPECT_EQ(lines[static_cast<std::size_t>(n)], std::to_string(n) + ",13,1,1,0,0,-,-,-,-,-,-,-,-,-,-");
  }
  for (std::size_t i = 41; i < lines.size(); ++i) ASSERT_EQ(lines[i], EmptyRow) << "line " << i;
}

TEST_F(NextDayStartTest, NextDayAcrossMonthEnds) {
  const struct {
    int year, month, day;
    const char* file;
  } cases[] = {
      {12, 2, 28, "201202/20120229.csv"},
      {12, 2, 29, "201203/20120301.csv"},
      {5, 1, 9, "200501/20050110.csv"},
      {99, 12, 31, "210001/21000101.csv"},
  };
  for (const auto& c : cases) {
    Sector(c.year, c.month, c.day);
    Meter(3, 0);
    ASSERT_TRUE(WriteNextDayStart(sector.Loaded(), gateway, c.year, c.month, c.day)) << c.file;
    EXPECT_TRUE(std::filesystem::is_regular_file(gateway / c.file)) << c.file;
  }
}

TEST_F(NextDayStartTest, OnlyAFileOfTheNextDaysOwnNameIsLeftAsItIs) {
  Sector(12, 5, 3);
  Meter(1, 0);
  std::filesystem::create_directory(gateway / "201205");
  const std::filesystem::path file = gateway / "201205" / "20120504.csv";
  // What a run killed while writing that day's file leaves: no file of the day.
  std::ofstream(gateway / "201205" / ".20120504.csv.0123456789abcdef.tmp", std::ios::binary) << "half\r\n";
  EXPECT_TRUE(WriteNextDayStart(sector.Loaded(), gateway, 12, 5, 3));
  const std::vector<std::string> lines = ReadCsvLines(file);
  ASSERT_EQ(lines.size(), 1921u);
  EXPECT_EQ(lines[1], "1,12,5,4,0,0,1,-,-,-,-,100,101,102,103,1");

  std::ofstream(file, std::ios::binary) << "the day's own file\r\n";
  EXPECT_TRUE(WriteNextDayStart(sector.Loaded(), gateway, 12, 5, 3));
  EXPECT_EQ(ReadFileBytes(file), "the day's own file\r\n");
}

TEST_F(NextDayStartTest, RowOfAMeterBySlotTimeCollectionStateAndValues) {
  constexpr std::uint32_t E = 4294967295u;  // an erased reading
  constexpr std::array<std::uint32_t, 4> readings = {100, 101, 102, 103};
  const struct {
    int hour, minute;  // of slot 95
    std::uint8_t state;
    std::array<std::uint32_t, 4> readings;
    std::string_view multiplier;  // "\xFF" stands for an erased field
    std::string_view row;         // "" when the file is not written: the row carries no value
  } cases[] = {
      // The start time is the slot's time plus 15 minutes.
      {23, 45, 0, readings, "1", "2,12,5,4,0,0,1,-,-,-,-,100,101,102,103,1"},
      {23, 50, 0, readings, "1", "2,12,5,4,0,5,1,-,-,-,-,100,101,102,103,1"},
      {10, 50, 0, readings, "1", "2,12,5,4,11,5,1,-,-,-,-,100,101,102,103,1"},
      {0, 0, 0, readings, "1", "2,12,5,4,0,15,1,-,-,-,-,100,101,102,103,1"},
      {23, 59, 0, readings, "1", "2,12,5,4,0,14,1,-,-,-,-,100,101,102,103,1"},
      // Column 7 and the readings by collection state; bit 2 has no part here.
      {23, 45, 0, {100, E, 5, 7}, "1", "2,12,5,4,0,0,1,-,-,-,-,100,-,5,7,1"},
      {23, 45, 4, readings, "1", "2,12,5,4,0,0,1,-,-,-,-,100,101,102,103,1"},
      {23, 45, 1, readings, "1", "2,12,5,4,0,0,-,-,-,-,-,100,101,102,103,1"},
      {23, 45, 2, readings, "1", ""},
      {23, 45, 3, readings, "1", ""},
      {23, 45, 255, readings, "1", ""},
      // What counts as a value: one reading, a multiplier, even an empty one.
      {23, 45, 1, {E, E, E, 0}, "\xFF", "2,12,5,4,0,0,-,-,-,-,-,-,-,-,0,-"},
      {23, 45, 1, {E, E, E, E}, "", "2,12,5,4,0,0,-,-,-,-,-,-,-,-,-,"},
      {23, 45, 1, {E, E, E, E}, "2", "2,12,5,4,0,0,-,-,-,-,-,-,-,-,-,2"},
      {23, 45, 1, {E, E, E, E}, "\xFF", ""},  // an erased seven-byte multiplier is none
  };
  const std::filesystem::path file = temp.path() / "start.csv";
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.hour << ":" << c.minute << " state " << int{c.state});
    std::filesystem::remove(file);
    Sector(12, 5, 3, c.hour, c.minute);
    Meter(2, c.state, c.readings, c.multiplier);
    if (c.multiplier == "\xFF") sector.EraseIntervalMultiplier(LastSlot, 2);
    ASSERT_TRUE(WriteNextDayStartFile(sector.Loaded(), file));
    ASSERT_EQ(std::filesystem::exists(file), !c.row.empty());
    if (!c.row.empty()) {
      EXPECT_EQ(ReadCsvLines(file).at(2), c.row);
    }
  }
}

TEST_F(NextDayStartTest, NoRowWithAValueWritesNoFile) {
  Sector(12, 12, 31);
  for (int n = 1; n <= 40; ++n) Meter(n, 255);
  EXPECT_TRUE(WriteNextDayStart(sector.Loaded(), gateway, 12, 12, 31));
  // The month folder is made all the same, and stays empty.
  EXPECT_TRUE(std::filesystem::is_directory(gateway / "201301"));
  EXPECT_TRUE(std::filesystem::is_empty(gateway / "201301"));

  // Readable meters, but the slot was not saved.
  for (int n = 1; n <= 40; ++n) Meter(n, 0);
  sector.SetIntervalSlot(LastSlot, 23, 45, 65535);
  EXPECT_TRUE(WriteNextDayStart(sector.Loaded(), gateway, 12, 12, 31));
  EXPECT_TRUE(std::filesystem::is_empty(gateway / "201301"));
}

TEST_F(NextDayStartTest, SavedSlotWithoutATimeOfDayFailsBeforeAnyFile) {
  const struct { int hour, minute; } cases[] = {{255, 45}, {23, 255}, {24, 0}, {12, 60}};
  for (const auto& c : cases) {
    Sector(12, 5, 3, c.hour, c.minute);
    Meter(1, 0);
    EXPECT_FALSE(WriteNextDayStart(sector.Loaded(), gateway, 12, 5, 3)) << c.hour << ":" << c.minute;
    EXPECT_FALSE(std::filesystem::exists(gateway / "201205" / "20120504.csv"));
  }
}

TEST_F(NextDayStartTest, FailuresOfDateFolderAndFile) {
  Sector(12, 2, 30);
  Meter(1, 0);
  EXPECT_FALSE(WriteNextDayStart(sector.Loaded(), gateway, 12, 2, 30));
  EXPECT_FALSE(WriteNextDayStartFile(sector.Loaded(), temp.path() / "start.csv"));
  EXPECT_FALSE(std::filesystem::exists(temp.path() / "start.csv"));

  // A file standing where the month folder belongs.
  Sector(12, 5, 31);
  { std::ofstream blocker(gateway / "201206"); }
  EXPECT_FALSE(WriteNextDayStart(sector.Loaded(), gateway, 12, 5, 31));
}

}  // namespace
