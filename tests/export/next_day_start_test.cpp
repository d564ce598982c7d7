#include "export/next_day_start.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "file_hazards.hpp"
#include "sector_builder.hpp"

using namespace varkelo;
using namespace varkelo::exporting;

namespace {

constexpr int LastSlot = dump::interval::LastSlot;
constexpr std::uint32_t E = 4294967295u;  // an erased reading

class NextDayStartTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directory(gateway); }

  // A sector of year/month/day whose last slot was saved at hour:minute, with meter 1 readable.
  const dump::BlockImage& Sector(int year, int month, int day, int hour = 23, int minute = 45) {
    sector.SetDate(year, month, day);
    sector.SetIntervalSlot(LastSlot, hour, minute);
    Meter(1, 0);
    return sector.Loaded();
  }
  void Meter(int meter, std::uint8_t state, std::array<std::uint32_t, 4> readings = {100, 101, 102, 103},
             std::string_view multiplier = "1") {
    sector.SetIntervalMeter(LastSlot, meter, {{9, 9, 9, 9}, readings, state, multiplier});
  }

  // The start of the day after the one the sector holds.
  platform::Status Start(const dump::BlockImage& image) {
    return WriteNextDayStart(image, gateway, DayOf(image));
  }

  dump::FieldCatalogue catalogue{dump::Layout::Interval};
  SectorBuilder sector{catalogue};
  TempFolder temp;
  std::filesystem::path gateway = temp.Path() / "GW000001";
};

// The start file's header, rows and filler are in the sample exports.
TEST_F(NextDayStartTest, LastDayOfTheCenturyStartsTheNextYearsFile) {
  ASSERT_TRUE(Start(Sector(99, 12, 31)));
  const std::vector<std::string> lines = ReadCsvLines(gateway / "210001" / "21000101.csv");
  ASSERT_EQ(lines.size(), DayFileLines);
  EXPECT_EQ(lines[1], "1,00,1,1,0,0,1,-,-,-,-,100,101,102,103,1");
}

TEST_F(NextDayStartTest, OnlyAFileOfTheNextDaysOwnNameIsLeftAsItIs) {
  std::filesystem::create_directory(gateway / "201205");
  const std::filesystem::path file = gateway / "201205" / "20120504.csv";
  // What a run killed while writing that day's file leaves: no file of the day.
  std::ofstream(gateway / "201205" / ".20120504.csv.0123456789abcdef.tmp", std::ios::binary) << "half\r\n";
  EXPECT_TRUE(Start(Sector(12, 5, 3)));
  EXPECT_EQ(ReadCsvLines(file).at(1), "1,12,5,4,0,0,1,-,-,-,-,100,101,102,103,1");

  // Nor is a link, wherever it leads: nothing is written through it, and the export fails.
  std::filesystem::remove(file);
  std::ofstream(temp.Path() / "outside") << "outside";
  MakeLink(temp.Path() / "outside", file);
  const std::filesystem::file_type kind = std::filesystem::symlink_status(file).type();
  EXPECT_FALSE(Start(sector.Loaded()));
  EXPECT_EQ(std::filesystem::symlink_status(file).type(), kind);
  EXPECT_EQ(ReadFileBytes(temp.Path() / "outside"), "outside");
  std::filesystem::remove(file);

  std::ofstream(file, std::ios::binary) << "the day's own file\r\n";
  EXPECT_TRUE(Start(sector.Loaded()));
  EXPECT_EQ(ReadFileBytes(file), "the day's own file\r\n");
}

TEST_F(NextDayStartTest, RowOfAMeterBySlotTimeCollectionStateAndValues) {
  constexpr std::array<std::uint32_t, 4> R = {100, 101, 102, 103};
  const struct {
    int hour, minute;  // of the last slot
    std::uint8_t state;
    std::array<std::uint32_t, 4> readings;
    std::string_view multiplier;
    std::string_view row;  // "": the row carries no value and no file is written
  } cases[] = {
      // The start time is the slot's plus 15 minutes; 23:45 and the collection states: sample exports.
      {23, 50, 0, R, "1", "2,12,5,4,0,5,1,-,-,-,-,100,101,102,103,1"},
      {10, 50, 0, R, "1", "2,12,5,4,11,5,1,-,-,-,-,100,101,102,103,1"},
      {0, 0, 0, R, "1", "2,12,5,4,0,15,1,-,-,-,-,100,101,102,103,1"},
      // Readings erased one by one.
      {23, 45, 0, {100, E, 5, 7}, "1", "2,12,5,4,0,0,1,-,-,-,-,100,-,5,7,1"},
      // What counts as a value: one reading, a multiplier, even an empty one; not an erased one.
      {23, 45, 1, {E, E, E, 0}, "\xFF", "2,12,5,4,0,0,-,-,-,-,-,-,-,-,0,-"},
      {23, 45, 1, {E, E, E, E}, "", "2,12,5,4,0,0,-,-,-,-,-,-,-,-,-,"},
      {23, 45, 1, {E, E, E, E}, "\xFF", ""},
  };
  const std::filesystem::path file = temp.Path() / "start.csv";
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.hour << ":" << c.minute << " state " << int{c.state});
    std::filesystem::remove(file);
    sector.SetDate(12, 5, 3);
    sector.SetIntervalSlot(LastSlot, c.hour, c.minute);
    Meter(2, c.state, c.readings, c.multiplier);
    ASSERT_TRUE(WriteNextDayStartFile(sector.Loaded(), DayOf(sector.Loaded()), file));
    ASSERT_EQ(std::filesystem::exists(file), !c.row.empty());
    if (!c.row.empty()) {
      EXPECT_EQ(ReadCsvLines(file).at(2), c.row);
    }
  }
}

// Readable meters, but the last slot was not saved: no row has a value, and no file is written.
TEST_F(NextDayStartTest, NoSavedSlotWritesNoFile) {
  Sector(12, 12, 31);
  for (int n = 1; n <= dump::MeterCount; ++n) Meter(n, 0);
  sector.SetIntervalSlot(LastSlot, 23, 45, 65535);
  EXPECT_TRUE(Start(sector.Loaded()));
  EXPECT_TRUE(std::filesystem::is_empty(gateway / "201301"));
}

TEST_F(NextDayStartTest, FailuresBeforeAnyFile) {
  // A saved slot without a time of day.
  for (const auto& [hour, minute] : {std::pair{255, 45}, {23, 255}, {24, 0}, {12, 60}}) {
    EXPECT_FALSE(Start(Sector(12, 5, 3, hour, minute))) << hour << ":" << minute;
  }
  EXPECT_FALSE(std::filesystem::exists(gateway / "201205" / "20120504.csv"));
  // A file standing where the month folder belongs.
  std::ofstream(gateway / "201206") << "x";
  EXPECT_FALSE(Start(Sector(12, 5, 31)));
}

}  // namespace
