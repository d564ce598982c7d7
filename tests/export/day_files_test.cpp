#include "export/day_files.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/carry_over.hpp"
#include "file_hazards.hpp"
#include "sector_builder.hpp"

using namespace varkelo;
using namespace varkelo::exporting;

namespace {

constexpr std::uint32_t E = 4294967295u;  // an erased four-byte value

// A day sector of 5 January 2012 in the interval layout, or in another after Layout().
class DayFileTest : public ::testing::Test {
 protected:
  void SetUp() override { Layout(dump::Layout::Interval); }
  void Layout(dump::Layout layout) {
    layout_ = layout;
    catalogue = dump::FieldCatalogue(layout);
    sector.SetDate(12, 1, 5);
  }
  bool Write() {
    return static_cast<bool>(
        layout_ == dump::Layout::HalfHour
            ? WriteHalfHourDayFile(sector.Loaded(), DayOf(sector.Loaded()), path)
            : WriteIntervalDayFile(sector.Loaded(), DayOf(sector.Loaded()), carry, path));
  }
  // The lines of a file written without failure.
  std::vector<std::string> Lines() {
    EXPECT_TRUE(Write());
    std::vector<std::string> lines = ReadCsvLines(path);
    EXPECT_EQ(lines.size(), DayFileLines);
    lines.resize(DayFileLines);
    return lines;
  }

  dump::FieldCatalogue catalogue{dump::Layout::Interval};
  CarryOver carry;
  SectorBuilder sector{catalogue};
  TempFolder temp;
  std::filesystem::path path = temp.Path() / "20120105.csv";

 private:
  dump::Layout layout_ = dump::Layout::Interval;
};

TEST_F(DayFileTest, HalfHourRecordsAreCopiedWithTheClockOfTheirHalfHour) {
  Layout(dump::Layout::HalfHour);
  const struct {
    int h, m;
    SectorBuilder::HalfHourValues v;
    std::string_view line;
  } rows[] = {
      // The collection ID and the reset flag are the stored ones, the time is the clock's.
      {47,
       dump::MeterCount,
       {.collectionId = 0, .resetFlag = 1},
       "0,12,1,5,23,30,1,10,11,12,13,100,101,102,103,1"},
      // Each erased clock field blanks only its own column; zero is a value.
      {27, 5, {3, {255, 1, 5, 13, 30}}, "3,-,1,5,13,30,0,10,11,12,13,100,101,102,103,1"},
      {27, 6, {3, {12, 255, 5, 13, 30}}, "3,12,-,5,13,30,0,10,11,12,13,100,101,102,103,1"},
      {27, 7, {3, {12, 1, 255, 13, 30}}, "3,12,1,-,13,30,0,10,11,12,13,100,101,102,103,1"},
      {27, 8, {3, {12, 1, 5, 255, 30}}, "3,12,1,5,-,30,0,10,11,12,13,100,101,102,103,1"},
      {27, 9, {3, {12, 1, 5, 13, 255}}, "3,12,1,5,13,-,0,10,11,12,13,100,101,102,103,1"},
      {27, 10, {3, {0, 0, 0, 0, 0}}, "3,12,1,5,13,30,0,10,11,12,13,100,101,102,103,1"},
      // Erased values print "-"; an empty or partly erased multiplier is a text.
      {3,
       4,
       {255, {12, 1, 5, 0, 0}, 65535, {E, 0, E, 5, E, E}, {E, E - 1, 7, E, 1, 1}, "\xFF"},
       "-,12,1,5,1,30,-,-,0,-,5,-,4294967294,7,-,-"},
      {10, 10, {.multiplier = ""}, "1,12,1,5,5,0,0,10,11,12,13,100,101,102,103,"},
      {11,
       10,
       {.multiplier = "\xFF\xFF\xFF"},
       "1,12,1,5,5,30,0,10,11,12,13,100,101,102,103,\uF8F3\uF8F3\uF8F3"},
  };
  for (const auto& row : rows) sector.SetHalfHourRecord(row.h, row.m, row.v);
  const std::vector<std::string> lines = Lines();
  for (const auto& row : rows) EXPECT_EQ(lines[DayFileLine(row.h, row.m)], row.line) << row.h << " " << row.m;
}

// The slot rules on the values of a sample gateway are in the sample exports;
// here the values it never stores.
TEST_F(DayFileTest, IntervalSumsTakeEveryUsablePartWhateverTheirSize) {
  // Half hour 1: OwnSlot 2 and NextSlot 3, meters 1 and 2.
  sector.SaveIntervalSlot(2);
  sector.SaveIntervalSlot(3);
  sector.SetIntervalMeter(2, 1, {{12, 1, 0, 65534}});
  sector.SetIntervalMeter(3, 1, {{7, 2, 0, 1}});
  sector.SetIntervalMeter(2, 2, {{65535, 1, 65535, 65535}});
  sector.SetIntervalMeter(3, 2, {{7, 65535, 3, 65535}});
  // Half hour 5 with only its NextSlot 11 saved: the time, and nothing but its interval values.
  sector.SaveIntervalSlot(11);
  sector.SetIntervalMeter(11, 1, {});
  const std::vector<std::string> lines = Lines();
  EXPECT_EQ(lines[DayFileLine(1, 1)], "1,12,1,5,0,30,1,19,3,0,65535,1000,1001,1002,1003,10");
  EXPECT_EQ(lines[DayFileLine(1, 2)], "2,12,1,5,0,30,1,7,1,3,-,1000,1001,1002,1003,10");
  EXPECT_EQ(lines[DayFileLine(5, 1)], "1,12,1,5,2,30,-,1,2,3,4,-,-,-,-,-");
}

TEST_F(DayFileTest, IntervalReadingsAndMultiplierFallBackOneByOne) {
  // Half hour 3: PreviousSlot 5, OwnSlot 6, NextSlot 7 not saved.
  sector.SaveIntervalSlot(5);
  sector.SaveIntervalSlot(6);
  sector.SetIntervalMeter(5, 1, {{0, 0, 0, 0}, {500, E, 502, E}, 0, "5"});
  sector.SetIntervalMeter(6, 1, {{0, 0, 0, 0}, {E, E, 1002, 1003}, 0, "\xFF"});
  sector.SetIntervalMeter(6, 2, {{0, 0, 0, 0}, {10, 11, 12, 13}, 0, ""});      // an empty text is chosen
  sector.SetIntervalMeter(6, 3, {{0, 0, 0, 0}, {10, 11, 12, 13}, 0, "\xFF"});  // nothing to fall back on
  sector.SetIntervalMeter(6, 4, {{0, 0, 0, 0}, {10, 11, 12, 13}, 0, "1\xFF"});
  const std::vector<std::string> lines = Lines();
  EXPECT_EQ(lines[DayFileLine(3, 1)], "1,12,1,5,1,30,1,0,0,0,0,500,-,1002,1003,5");
  EXPECT_EQ(lines[DayFileLine(3, 2)], "2,12,1,5,1,30,1,0,0,0,0,10,11,12,13,");
  EXPECT_EQ(lines[DayFileLine(3, 3)], "3,12,1,5,1,30,1,0,0,0,0,10,11,12,13,-");
  EXPECT_EQ(lines[DayFileLine(3, 4)], "4,12,1,5,1,30,1,0,0,0,0,10,11,12,13,1\uF8F3");
}

TEST_F(DayFileTest, IntervalOnlyTheCarryOverSavedGivesTheClockAtMidnight) {
  carry.meters[0] = {{900, 901, 902, 903}, 0, {'5', '0', 0, 0xFF, 0xFF, 0xFF, 0xFF}};
  carry.hour = 23;
  carry.minute = 45;
  carry.saveFlag = 1;
  const std::vector<std::string> lines = Lines();
  EXPECT_EQ(lines[DayFileLine(0, 1)], "1,12,1,5,0,0,1,-,-,-,-,900,901,902,903,50");
  EXPECT_EQ(lines[DayFileLine(0, 2)], "2,12,1,5,0,0,0,-,-,-,-,-,-,-,-,-");
  EXPECT_EQ(lines[DayFileLine(1, 1)], "-,-,-,-,-,-,-,-,-,-,-,-,-,-,-,-");  // nothing in it
}

TEST_F(DayFileTest, IntervalNeighbourStandingInMustCarryATimeOfDay) {
  // Half hour 10: OwnSlot 20 not saved; PreviousSlot 19 or NextSlot 21 stands in.
  const struct {
    bool previousSaved, nextSaved;
    int hour, minute;  // of the neighbour that stands in
    bool ok;
  } cases[] = {{true, false, 23, 59, true}, {true, false, 255, 0, false}, {true, true, 4, 255, false},
               {true, false, 24, 0, false}, {false, true, 0, 0, true},    {false, true, 5, 60, false}};
  sector.SaveIntervalSlot(18);
  sector.SetIntervalSlot(20, 255, 255, 65535);
  for (const auto& c : cases) {
    sector.SetIntervalSlot(19, c.previousSaved ? c.hour : 255, c.previousSaved ? c.minute : 255,
                           c.previousSaved ? 1 : 65535);
    sector.SetIntervalSlot(21, c.previousSaved ? 255 : c.hour, c.previousSaved ? 255 : c.minute,
                           c.nextSaved ? 1 : 65535);
    const std::string before = ReadFileBytes(path);
    EXPECT_EQ(Write(), c.ok) << c.hour << ":" << c.minute;
    // A failed file leaves the one before it: a day file is replaced whole or not at all.
    if (!c.ok) {
      EXPECT_EQ(ReadFileBytes(path), before);
    }
  }

  sector.SetIntervalSlot(21, 255, 255, 65535);
  // At midnight the carry-over stands in, unless the OwnSlot was saved.
  carry.saveFlag = 1;
  EXPECT_FALSE(Write());
  sector.SetIntervalSlot(0, 255, 255, 1);
  EXPECT_TRUE(Write());
}

// The previous day's last slot, values of full width; a block of another day, or
// an image that cannot be read, leaves the table at its reset values.
TEST(LoadCarryOverTest, TakesTheLastSlotOnlyFromABlockOfThePreviousDay) {
  dump::BlockImage target;
  TempFolder temp;
  ImageFile image{dump::Layout::Interval};
  // 1 March 2012 takes block 60, 29 February; 29 December 2011 is stored there too.
  image.Block(60).SetIntervalSlot(dump::interval::LastSlot, 23, 45);
  image.Block(60).SetIntervalMeter(dump::interval::LastSlot, 40,
                                   {{1, 2, 3, 4}, {10, E, 30, 40}, 4, "1234567"});
  for (const auto& [year, month, day, imageName, loaded] : {std::tuple{12, 2, 29, "read.nmd", true},
                                                            {11, 12, 29, "read.nmd", false},
                                                            {12, 2, 29, "missing.nmd", false}}) {
    image.Block(60).SetDate(year, month, day);
    ASSERT_TRUE(image.Write(temp.Path() / "read.nmd"));
    CarryOver carry;
    carry.saveFlag = 7;
    EXPECT_EQ(
        static_cast<bool>(LoadCarryOver(target, temp.Path() / imageName, *SectorDay::Of({12, 3, 1}), carry)),
        std::string_view(imageName) == "read.nmd");
    EXPECT_EQ(carry.saveFlag.has_value(), loaded);
    if (!loaded) continue;
    const CarryOverMeter& meter = carry.meters[39];
    EXPECT_EQ(meter.readings, (std::array<std::optional<std::uint32_t>, 4>{10, std::nullopt, 30, 40}));
    EXPECT_EQ(meter.state, 4);
    EXPECT_EQ(std::string(meter.multiplier.begin(), meter.multiplier.end()), "1234567");
    EXPECT_EQ(std::pair(carry.hour, carry.minute),
              std::pair(std::optional<std::uint8_t>(23), std::optional<std::uint8_t>(45)));
  }
}

}  // namespace
