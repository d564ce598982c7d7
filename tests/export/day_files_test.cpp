#include "export/day_files.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "csv_file_lines.hpp"
#include "file_hazards.hpp"
#include "sector_builder.hpp"
#include "temp_folder.hpp"
#include "text/cp932.hpp"

using namespace varkelo;
using namespace varkelo::exporting;

namespace {

constexpr std::string_view Header =
    "収集ID,年,月,日,時,分,リセットフラグ,30分使用電力量(順方向1),30分使用電力量(逆方向1),"
    "30分使用電力量(順方向2),30分使用電力量(順方向3),積算電力量(順方向1),積算電力量(逆方向1),"
    "積算電力量(順方向2),積算電力量(順方向3),乗率";

// ---------------------------------------------------------------- both layouts

class DayFileFrameTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { dump.PrepareCatalog(GetParam()); }

  bool Write() {
    return GetParam() == 1 ? WriteHalfHourDayFile(sector.Loaded(), path)
                           : WriteIntervalDayFile(sector.Loaded(), carry, path);
  }

  dump::Dump dump;
  CarryOver carry;
  SectorBuilder sector{dump};
  TempFolder temp;
  std::filesystem::path path = temp.path() / "20120105.csv";
};

TEST_P(DayFileFrameTest, ErasedSectorWithDateGivesHeaderAnd1920EmptyRows) {
  std::ofstream(path, std::ios::binary) << std::string(1'000'000, 'x');
  sector.SetDate(12, 1, 5);
  ASSERT_TRUE(Write());

  // Exact bytes, nothing left of the old file: code page 932 header, CR LF after every line.
  std::string expected;
  ASSERT_TRUE(text::EncodeCp932(Header, expected));
  expected += "\r\n";
  for (int i = 0; i < 1920; ++i) expected.append(EmptyRow).append("\r\n");
  EXPECT_EQ(ReadFileBytes(path), expected);
}

TEST_P(DayFileFrameTest, DateThatIsNoCalendarDateWritesNothing) {
  const struct {
    int year, month, day;
  } dates[] = {{12, 2, 30}, {11, 2, 29}, {12, 13, 1}, {12, 0, 1}, {12, 4, 0}, {12, 4, 31}};
  std::ofstream(path, std::ios::binary) << "old";
  for (const auto& d : dates) {
    sector.SetDate(d.year, d.month, d.day);
    EXPECT_FALSE(Write()) << d.month << "/" << d.day;
    EXPECT_EQ(ReadFileBytes(path), "old");
  }
  EXPECT_TRUE(TemporaryFilesUnder(temp.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, DayFileFrameTest, ::testing::Values(1, 2),
                         [](const auto& info) { return info.param == 1 ? "HalfHour" : "Interval"; });

// ---------------------------------------------------------------- half-hourly layout

class HalfHourDayFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dump.PrepareCatalog(1);
    sector.SetDate(12, 1, 5);
  }

  std::vector<std::string> WriteLines() {
    EXPECT_TRUE(WriteHalfHourDayFile(sector.Loaded(), path));
    std::vector<std::string> lines = ReadCsvLines(path);
    EXPECT_EQ(lines.size(), 1921u);
    lines.resize(1921);
    return lines;
  }

  dump::Dump dump;
  SectorBuilder sector{dump};
  TempFolder temp;
  std::filesystem::path path = temp.path() / "20120105.csv";
};

TEST_F(HalfHourDayFileTest, RecordCopiedIntoItsLineWithTheClockOfItsHalfHour) {
  SectorBuilder::HalfHourValues v;
  v.CollectionId = 7;
  v.Clock = {9, 9, 9, 9, 9};  // stored time, never printed
  v.ResetFlag = 1;
  v.Consumption = {10, 11, 12, 13, 14, 15};
  v.Readings = {100, 101, 102, 103, 104, 105};
  v.Multiplier = "0.1";
  sector.SetHalfHourRecord(27, 2, v);                     // 13:30, meter position 2
  sector.SetHalfHourRecord(47, 40, {.CollectionId = 0});  // the very last record

  const std::vector<std::string> lines = WriteLines();
  EXPECT_EQ(lines[DayFileLine(27, 2)], "7,12,1,5,13,30,1,10,11,12,13,100,101,102,103,0.1");
  // The stored collection ID, not the position.
  EXPECT_EQ(lines[DayFileLine(47, 40)], "0,12,1,5,23,30,0,10,11,12,13,100,101,102,103,1");
  EXPECT_EQ(lines[DayFileLine(27, 1)], EmptyRow);
  EXPECT_EQ(lines[DayFileLine(27, 3)], EmptyRow);
  EXPECT_EQ(lines[DayFileLine(28, 2)], EmptyRow);
}

TEST_F(HalfHourDayFileTest, EachErasedClockFieldBlanksOnlyItsOwnColumn) {
  const struct {
    std::array<std::uint8_t, 5> stored;
    std::string_view head;
  } cases[] = {
      {{255, 1, 5, 13, 30}, "3,-,1,5,13,30,"},   {{12, 255, 5, 13, 30}, "3,12,-,5,13,30,"},
      {{12, 1, 255, 13, 30}, "3,12,1,-,13,30,"}, {{12, 1, 5, 255, 30}, "3,12,1,5,-,30,"},
      {{12, 1, 5, 13, 255}, "3,12,1,5,13,-,"},   {{255, 255, 255, 255, 255}, "3,-,-,-,-,-,"},
      {{0, 0, 0, 0, 0}, "3,12,1,5,13,30,"},  // zero is a value, not erased
  };
  for (const auto& c : cases) {
    SectorBuilder::HalfHourValues v;
    v.CollectionId = 3;
    v.Clock = c.stored;
    sector.SetHalfHourRecord(27, 5, v);
    const std::vector<std::string> lines = WriteLines();
    EXPECT_EQ(lines[DayFileLine(27, 5)].substr(0, c.head.size()), c.head);
  }
}

TEST_F(HalfHourDayFileTest, ErasedValuesPrintAsDashOtherMultipliersAsTheirText) {
  SectorBuilder::HalfHourValues v;
  v.CollectionId = 255;
  v.ResetFlag = 65535;
  v.Consumption = {4294967295u, 0, 4294967295u, 5, 4294967295u, 4294967295u};
  v.Readings = {4294967295u, 4294967294u, 7, 4294967295u, 1, 1};
  sector.SetHalfHourRecord(3, 4, v);
  sector.Erase(SectorBuilder::HalfHourRecord(3, 4) + 60, 8);  // erased multiplier
  sector.SetHalfHourRecord(10, 10, {.Multiplier = ""});       // first byte 0: an empty text
  sector.SetHalfHourRecord(11, 10, {.Multiplier = "\xFF\xFF\xFF"});

  const std::vector<std::string> lines = WriteLines();
  EXPECT_EQ(lines[DayFileLine(3, 4)], "-,12,1,5,1,30,-,-,0,-,5,-,4294967294,7,-,-");
  EXPECT_EQ(lines[DayFileLine(10, 10)], "1,12,1,5,5,0,0,10,11,12,13,100,101,102,103,");
  // Partly erased: a text.
  EXPECT_EQ(lines[DayFileLine(11, 10)], "1,12,1,5,5,30,0,10,11,12,13,100,101,102,103,\uF8F3\uF8F3\uF8F3");
}

// ---------------------------------------------------------------- interval layout

class IntervalDayFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dump.PrepareCatalog(2);
    sector.SetDate(12, 1, 5);
  }

  // The line of half hour h, meter m, with the write expected to succeed.
  std::string Line(int halfHour, int meter) {
    EXPECT_TRUE(WriteIntervalDayFile(sector.Loaded(), carry, path));
    const std::vector<std::string> lines = ReadCsvLines(path);
    EXPECT_EQ(lines.size(), 1921u);
    const std::size_t at = DayFileLine(halfHour, meter);
    return at < lines.size() ? lines[at] : std::string();
  }

  // A carry-over slot as LoadCarryOver leaves it when it found the day before.
  void SetCarryOver(int meter, std::string_view state, std::string_view multiplier) {
    auto& f = carry.CarryOverTable[static_cast<std::size_t>(meter - 1)].Fields;
    f = {"1", "1", "1", "1", "900", "901", "902", "903", std::string(state), std::string(multiplier)};
    carry.CarryOverHour = "23";
    carry.CarryOverMinute = "45";
    carry.CarryOverSaveFlag = "1";
  }

  dump::Dump dump;
  CarryOver carry;
  SectorBuilder sector{dump};
  TempFolder temp;
  std::filesystem::path path = temp.path() / "20120105.csv";
};

TEST_F(IntervalDayFileTest, PairedSlotsAddUpTheirUsableIntervalValues) {
  // Half hour 1 (0:30): OwnSlot 2, NextSlot 3; meter 6.
  const struct {
    const char* name;
    bool nextSaved;
    std::uint8_t ownState, nextState;
    std::array<std::uint16_t, 4> own, next;
    std::string_view columns8to11;
  } cases[] = {
      {"both", true, 0, 0, {12, 1, 0, 65534}, {7, 2, 0, 1}, "19,3,0,65535"},
      {"next not saved", false, 0, 0, {12, 1, 0, 9}, {7, 2, 3, 4}, "12,1,0,9"},
      {"one part erased", true, 0, 0, {65535, 1, 65535, 65535}, {7, 65535, 3, 65535}, "7,1,3,-"},
      {"own bit 2", true, 4, 0, {12, 1, 0, 9}, {7, 2, 3, 4}, "7,2,3,4"},
      {"next bit 2", true, 0, 4, {12, 1, 0, 9}, {7, 2, 3, 4}, "12,1,0,9"},
      {"next state 255", true, 0, 255, {12, 1, 0, 9}, {7, 2, 3, 4}, "12,1,0,9"},
      {"both bit 2", true, 7, 6, {12, 1, 0, 9}, {7, 2, 3, 4}, "-,-,-,-"},
      {"bits 0 and 1 do not matter", true, 3, 3, {12, 1, 0, 9}, {7, 2, 3, 4}, "19,3,3,13"},
  };
  for (const auto& c : cases) {
    sector.SaveIntervalSlot(2);
    sector.SetIntervalSlot(3, 0, 45, c.nextSaved ? 1 : 65535);
    sector.SetIntervalMeter(2, 6, {c.own, {1000, 1001, 1002, 1003}, c.ownState, "10"});
    sector.SetIntervalMeter(3, 6, {c.next, {2000, 2001, 2002, 2003}, c.nextState, "20"});
    const std::string line = Line(1, 6);
    // Columns 8 to 11 sit between the 7th and the 11th comma.
    std::size_t begin = 0;
    for (int i = 0; i < 7; ++i) begin = line.find(',', begin) + 1;
    std::size_t end = begin;
    for (int i = 0; i < 4; ++i) end = line.find(',', end) + 1;
    EXPECT_EQ(line.substr(begin, end - 1 - begin), c.columns8to11) << c.name;
  }
}

TEST_F(IntervalDayFileTest, CollectionStateBitsAndSavedSlots) {
  // Half hour 1 of meter 4: PreviousSlot 1, OwnSlot 2, NextSlot 3.
  // Slot 1 readings 500..503, multiplier "5"; slot 2 readings 1000..1003, multiplier "10".
  const struct {
    const char* name;
    bool previousSaved, ownSaved, nextSaved;
    std::uint8_t previousState, ownState;
    std::string_view line;
  } cases[] = {
      {"all good", true, true, true, 0, 0, "4,12,1,5,0,30,1,2,4,6,8,1000,1001,1002,1003,10"},
      {"own bit 2", true, true, true, 0, 4, "4,12,1,5,0,30,1,1,2,3,4,1000,1001,1002,1003,10"},
      {"own bit 1, previous good", true, true, true, 0, 2, "4,12,1,5,0,30,1,2,4,6,8,500,501,502,503,5"},
      {"own bit 1, previous bit 1", true, true, true, 2, 2, "4,12,1,5,0,30,0,2,4,6,8,-,-,-,-,-"},
      {"own bit 1, previous not saved", false, true, true, 0, 2, "4,12,1,5,0,30,0,2,4,6,8,-,-,-,-,-"},
      {"own bit 0, previous not saved", false, true, true, 0, 1,
       "4,12,1,5,0,30,0,2,4,6,8,1000,1001,1002,1003,10"},
      {"own bit 0, previous good", true, true, true, 0, 1, "4,12,1,5,0,30,1,2,4,6,8,1000,1001,1002,1003,10"},
      {"own bit 0, previous bit 0", true, true, true, 1, 1, "4,12,1,5,0,30,0,2,4,6,8,1000,1001,1002,1003,10"},
      {"own 255, previous not saved", false, true, false, 0, 255, "4,12,1,5,0,30,0,-,-,-,-,-,-,-,-,-"},
      {"own 255, previous good", true, true, false, 0, 255, "4,12,1,5,0,30,1,-,-,-,-,500,501,502,503,5"},
      {"own not saved, previous good", true, false, false, 0, 0, "4,12,1,5,0,30,1,-,-,-,-,500,501,502,503,5"},
      {"own not saved, previous 255", true, false, true, 255, 0, "4,12,1,5,0,30,0,1,2,3,4,-,-,-,-,-"},
      {"only next saved", false, false, true, 0, 0, "4,12,1,5,0,30,-,1,2,3,4,-,-,-,-,-"},
      {"nothing saved", false, false, false, 0, 0, "-,-,-,-,-,-,-,-,-,-,-,-,-,-,-,-"},
  };
  for (const auto& c : cases) {
    sector.SetIntervalSlot(1, 0, 15, c.previousSaved ? 1 : 65535);
    sector.SetIntervalSlot(2, 0, 30, c.ownSaved ? 1 : 65535);
    sector.SetIntervalSlot(3, 0, 45, c.nextSaved ? 1 : 65535);
    sector.SetIntervalMeter(1, 4, {{9, 9, 9, 9}, {500, 501, 502, 503}, c.previousState, "5"});
    sector.SetIntervalMeter(2, 4, {{1, 2, 3, 4}, {1000, 1001, 1002, 1003}, c.ownState, "10"});
    sector.SetIntervalMeter(3, 4, {{1, 2, 3, 4}, {2000, 2001, 2002, 2003}, 0, "20"});
    EXPECT_EQ(Line(1, 4), c.line) << c.name;
  }
}

TEST_F(IntervalDayFileTest, ReadingsFallBackColumnByColumn) {
  sector.SaveIntervalSlot(5);
  sector.SaveIntervalSlot(6);
  sector.SetIntervalMeter(5, 1, {{0, 0, 0, 0}, {500, 4294967295u, 502, 4294967295u}, 0, "5"});
  sector.SetIntervalMeter(6, 1, {{0, 0, 0, 0}, {4294967295u, 4294967295u, 1002, 1003}, 0, "10"});
  sector.EraseIntervalMultiplier(6, 1);
  // Half hour 3 (1:30): own slot 6, previous slot 5, next slot 7 not saved.
  EXPECT_EQ(Line(3, 1), "1,12,1,5,1,30,1,0,0,0,0,500,-,1002,1003,5");
}

TEST_F(IntervalDayFileTest, FirstHalfHourFallsBackOnTheCarryOver) {
  sector.SaveIntervalSlot(0);
  sector.SaveIntervalSlot(1);
  sector.SetIntervalMeter(0, 2, {{1, 1, 1, 1}, {100, 101, 102, 103}, 2, "1"});  // own readings excluded
  sector.SetIntervalMeter(1, 2, {{2, 2, 2, 2}, {200, 201, 202, 203}, 0, "1"});
  sector.SetIntervalMeter(0, 3, {{1, 1, 1, 1}, {100, 101, 102, 103}, 2, "1"});
  sector.SetIntervalMeter(1, 3, {{2, 2, 2, 2}, {200, 201, 202, 203}, 0, "1"});

  // The previous day was not in the image: the carry-over stays at its reset values.
  EXPECT_EQ(Line(0, 2), "2,12,1,5,0,0,0,3,3,3,3,-,-,-,-,-");

  SetCarryOver(2, "0", "50");
  SetCarryOver(3, "2", "50");
  EXPECT_EQ(Line(0, 2), "2,12,1,5,0,0,1,3,3,3,3,900,901,902,903,50");
  EXPECT_EQ(Line(0, 3), "3,12,1,5,0,0,0,3,3,3,3,-,-,-,-,-");
  // The carry-over's interval values are never added in.
  carry.CarryOverTable[1].Fields[0] = "1000";
  EXPECT_EQ(Line(0, 2), "2,12,1,5,0,0,1,3,3,3,3,900,901,902,903,50");

  // A carry-over slot that was not saved counts for nothing.
  carry.CarryOverSaveFlag = "65535";
  EXPECT_EQ(Line(0, 2), "2,12,1,5,0,0,0,3,3,3,3,-,-,-,-,-");
}

TEST_F(IntervalDayFileTest, OnlyTheCarryOverSavedGivesTheClockAtMidnight) {
  SetCarryOver(1, "0", "50");
  EXPECT_EQ(Line(0, 1), "1,12,1,5,0,0,1,-,-,-,-,900,901,902,903,50");
  EXPECT_EQ(Line(0, 2), "2,12,1,5,0,0,0,-,-,-,-,-,-,-,-,-");
  EXPECT_EQ(Line(1, 1), EmptyRow);
}

TEST_F(IntervalDayFileTest, MultiplierTexts) {
  const auto setOwn = [this](std::string_view multiplier) {
    sector.SaveIntervalSlot(2);
    sector.SetIntervalMeter(2, 8, {{1, 1, 1, 1}, {10, 11, 12, 13}, 0, multiplier});
  };
  // Empty text: chosen and printed as an empty field.
  setOwn("");
  EXPECT_EQ(Line(1, 8), "8,12,1,5,0,30,1,1,1,1,1,10,11,12,13,");

  // An erased seven-byte multiplier is no multiplier: "-", or the PreviousSlot's.
  setOwn("x");
  sector.EraseIntervalMultiplier(2, 8);
  EXPECT_EQ(Line(1, 8), "8,12,1,5,0,30,1,1,1,1,1,10,11,12,13,-");
  sector.SaveIntervalSlot(1);
  sector.SetIntervalMeter(1, 8, {{0, 0, 0, 0}, {5, 5, 5, 5}, 0, "2.5"});
  EXPECT_EQ(Line(1, 8), "8,12,1,5,0,30,1,1,1,1,1,10,11,12,13,2.5");

  // Partly erased is a text, printed as it stands.
  setOwn("1\xFF");
  EXPECT_EQ(Line(1, 8), "8,12,1,5,0,30,1,1,1,1,1,10,11,12,13,1\xEF\xA3\xB3");
}

TEST_F(IntervalDayFileTest, NeighbourStandingInMustCarryATimeOfDay) {
  // Half hour 10: own slot 20 not saved.
  const struct {
    const char* name;
    bool previousSaved, nextSaved;
    int hour, minute;  // of the neighbour that stands in
    bool ok;
  } cases[] = {
      {"previous 23:59", true, false, 23, 59, true},
      {"previous hour 255", true, false, 255, 0, false},
      {"previous minute 255", true, true, 4, 255, false},
      {"previous hour 24", true, false, 24, 0, false},
      {"next 0:00", false, true, 0, 0, true},
      {"next minute 60", false, true, 5, 60, false},
  };
  for (const auto& c : cases) {
    sector.SaveIntervalSlot(18);  // half hour 9 needs no stand-in
    sector.SetIntervalSlot(19, c.previousSaved ? c.hour : 255, c.previousSaved ? c.minute : 255,
                           c.previousSaved ? 1 : 65535);
    sector.SetIntervalSlot(20, 255, 255, 65535);
    sector.SetIntervalSlot(21, c.previousSaved ? 255 : c.hour, c.previousSaved ? 255 : c.minute,
                           c.nextSaved ? 1 : 65535);
    const std::string before = ReadFileBytes(path);
    EXPECT_EQ(WriteIntervalDayFile(sector.Loaded(), carry, path), c.ok) << c.name;
    // The file of the case before stays: a day file is replaced whole or not at all.
    if (!c.ok) {
      EXPECT_EQ(ReadFileBytes(path), before) << c.name;
    }
  }
}

TEST_F(IntervalDayFileTest, CarryOverTimeCheckedAtMidnight) {
  SetCarryOver(1, "0", "1");
  carry.CarryOverHour = "255";
  EXPECT_FALSE(WriteIntervalDayFile(sector.Loaded(), carry, path));
  EXPECT_FALSE(std::filesystem::exists(path));

  // With the OwnSlot saved the neighbour's time is not looked at.
  sector.SetIntervalSlot(0, 255, 255, 1);
  EXPECT_TRUE(WriteIntervalDayFile(sector.Loaded(), carry, path));
}

}  // namespace
