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

  // Columns 7 to 16 of meter n's row in the file at `path`.
  std::string RowTail(const std::filesystem::path& path, int meter) {
    const std::vector<std::string> lines = ReadCsvLines(path);
    if (lines.size() <= static_cast<std::size_t>(meter)) return "no row";
    const std::string& row = lines[static_cast<std::size_t>(meter)];
    std::size_t at = 0;
    for (int i = 0; i < 6; ++i) at = row.find(',', at) + 1;
    return row.substr(at);
  }

  dump::Dump dump;
  SectorBuilder sector{dump};
  TempFolder temp;
  std::filesystem::path gateway;
};

TEST_F(NextDayStartTest, LastDayOfTheYearStartsJanuaryFirst) {
  Sector(12, 12, 31, 23, 45);
  Meter(1, 0);
  ASSERT_TRUE(WriteNextDayStart(dump, gateway, 12, 12, 31));

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
    dump.PrepareCatalog(2);
    Sector(c.year, c.month, c.day);
    Meter(3, 0);
    ASSERT_TRUE(WriteNextDayStart(dump, gateway, c.year, c.month, c.day)) << c.file;
    EXPECT_TRUE(std::filesystem::is_regular_file(gateway / c.file)) << c.file;
  }
}

TEST_F(NextDayStartTest, ExistingFileOfTheNextDayIsLeftAsItIs) {
  Sector(12, 5, 3);
  Meter(1, 0);
  std::filesystem::create_directory(gateway / "201205");
  const std::filesystem::path file = gateway / "201205" / "20120504.csv";
  {
    std::ofstream old(file, std::ios::binary);
    old << "the day's own file\r\n";
  }
  EXPECT_TRUE(WriteNextDayStart(dump, gateway, 12, 5, 3));
  EXPECT_EQ(ReadFileBytes(file), "the day's own file\r\n");
}

TEST_F(NextDayStartTest, RowsByCollectionState) {
  const struct {
    std::uint8_t state;
    std::array<std::uint32_t, 4> readings;
    std::string_view tail;
  } cases[] = {
      {0, {100, 4294967295u, 5, 7}, "1,-,-,-,-,100,-,5,7,1"},
      {4, {100, 101, 102, 103}, "1,-,-,-,-,100,101,102,103,1"},  // bit 2 has no part here
      {1, {100, 101, 102, 103}, "-,-,-,-,-,100,101,102,103,1"},
      {2, {100, 101, 102, 103}, "-,-,-,-,-,-,-,-,-,-"},
      {3, {100, 101, 102, 103}, "-,-,-,-,-,-,-,-,-,-"},
      {255, {100, 101, 102, 103}, "-,-,-,-,-,-,-,-,-,-"},
  };
  for (const auto& c : cases) {
    Sector(12, 5, 3);
    Meter(1, 0);  // keeps the file written whatever meter 2 shows
    Meter(2, c.state, c.readings);
    const std::filesystem::path file = temp.path() / "start.csv";
    ASSERT_TRUE(WriteNextDayStartFile(dump, file));
    EXPECT_EQ(RowTail(file, 2), c.tail) << int{c.state};
  }
}

TEST_F(NextDayStartTest, StartTimeIsSlotTimePlusFifteenMinutes) {
  const struct {
    int hour, minute;
    std::string_view head;
  } cases[] = {
      {23, 45, "1,12,5,4,0,0,"}, {23, 50, "1,12,5,4,0,5,"},  {10, 50, "1,12,5,4,11,5,"},
      {0, 0, "1,12,5,4,0,15,"},  {23, 59, "1,12,5,4,0,14,"},
  };
  for (const auto& c : cases) {
    Sector(12, 5, 3, c.hour, c.minute);
    Meter(1, 0);
    const std::filesystem::path file = temp.path() / "start.csv";
    ASSERT_TRUE(WriteNextDayStartFile(dump, file));
    const std::vector<std::string> lines = ReadCsvLines(file);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1].substr(0, c.head.size()), c.head);
  }
}

TEST_F(NextDayStartTest, NoRowWithAValueWritesNoFile) {
  Sector(12, 12, 31);
  for (int n = 1; n <= 40; ++n) Meter(n, 255);
  EXPECT_TRUE(WriteNextDayStart(dump, gateway, 12, 12, 31));
  // The month folder is made all the same, and stays empty.
  EXPECT_TRUE(std::filesystem::is_directory(gateway / "201301"));
  EXPECT_TRUE(std::filesystem::is_empty(gateway / "201301"));

  // Readable meters, but the slot was not saved.
  for (int n = 1; n <= 40; ++n) Meter(n, 0);
  sector.SetIntervalSlot(LastSlot, 23, 45, 65535);
  EXPECT_TRUE(WriteNextDayStart(dump, gateway, 12, 12, 31));
  EXPECT_TRUE(std::filesystem::is_empty(gateway / "201301"));
}

TEST_F(NextDayStartTest, WhatCountsAsAValue) {
  constexpr std::array<std::uint32_t, 4> erased = {4294967295u, 4294967295u, 4294967295u, 4294967295u};
  const struct {
    const char* name;
    std::array<std::uint32_t, 4> readings;
    std::string_view multiplier;  // "" is an empty text; "\xFF" stands for an erased field
    bool written;
    std::string_view tail;
  } cases[] = {
      {"one reading", {4294967295u, 4294967295u, 4294967295u, 0}, "\xFF", true, "-,-,-,-,-,-,-,-,0,-"},
      {"empty multiplier", erased, "", true, "-,-,-,-,-,-,-,-,-,"},
      {"a multiplier", erased, "2", true, "-,-,-,-,-,-,-,-,-,2"},
      {"erased seven-byte multiplier", erased, "\xFF", false, ""},
  };
  for (const auto& c : cases) {
    Sector(12, 5, 3);
    // State 1: no "1" in column 7, readings and multiplier readable.
    Meter(5, 1, c.readings, c.multiplier);
    if (c.multiplier == "\xFF") sector.EraseIntervalMultiplier(LastSlot, 5);
    const std::filesystem::path file = temp.path() / (std::string(c.name) + ".csv");
    ASSERT_TRUE(WriteNextDayStartFile(dump, file)) << c.name;
    ASSERT_EQ(std::filesystem::exists(file), c.written) << c.name;
    if (c.written) {
      EXPECT_EQ(RowTail(file, 5), c.tail) << c.name;
    }
  }
}

TEST_F(NextDayStartTest, SavedSlotWithoutATimeOfDayFailsBeforeAnyFile) {
  const struct { int hour, minute; } cases[] = {{255, 45}, {23, 255}, {24, 0}, {12, 60}};
  for (const auto& c : cases) {
    Sector(12, 5, 3, c.hour, c.minute);
    Meter(1, 0);
    EXPECT_FALSE(WriteNextDayStart(dump, gateway, 12, 5, 3)) << c.hour << ":" << c.minute;
    EXPECT_FALSE(std::filesystem::exists(gateway / "201205" / "20120504.csv"));
  }
}

TEST_F(NextDayStartTest, FailuresOfDateFolderAndFile) {
  Sector(12, 2, 30);
  Meter(1, 0);
  EXPECT_FALSE(WriteNextDayStart(dump, gateway, 12, 2, 30));
  EXPECT_FALSE(WriteNextDayStartFile(dump, temp.path() / "start.csv"));
  EXPECT_FALSE(std::filesystem::exists(temp.path() / "start.csv"));

  // A file standing where the month folder belongs.
  Sector(12, 5, 31);
  { std::ofstream blocker(gateway / "201206"); }
  EXPECT_FALSE(WriteNextDayStart(dump, gateway, 12, 5, 31));

  // The file cannot be created.
  EXPECT_FALSE(WriteNextDayStartFile(dump, temp.path() / "missing" / "start.csv"));
}

}  // namespace
