#include "export/carry_over.hpp"

#include <gtest/gtest.h>

#include "sector_builder.hpp"
#include "temp_folder.hpp"

using namespace varkelo::exporting;

namespace {

TEST(CarryOver, BlockOfTheDayBeforeAcrossMonthAndYearEnds) {
  // The current sector's date, and where the day before it lies.
  const struct {
    int month, day, block;
  } cases[] = {{2, 29, 60}, {12, 31, 62}, {4, 30, 61}, {1, 1, 1}, {3, 31, 31}, {2, 1, 32}};
  for (const auto& c : cases) EXPECT_EQ(varkelo::dump::BlockOfDate(c.month, c.day), c.block) << c.month << "/" << c.day;
}

class LoadCarryOverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dump.PrepareCatalog(2);
    path = temp.path() / "read.nmd";
  }

  // Block 60 holds 29 February 2012 with meter 3 filled in slot 95.
  void PlaceLeapDay(int year = 12, int month = 2, int day = 29) {
    image.Block(60).SetDate(year, month, day);
    image.Block(60).SetIntervalSlot(95, 23, 45, 1);
    image.Block(60).SetIntervalMeter(95, 3, {{9, 9, 9, 9}, {1000, 1001, 1002, 1003}, 0, "10"});
    ASSERT_TRUE(image.Write(path));
  }

  varkelo::dump::Dump dump;
  ImageFile image;
  TempFolder temp;
  std::filesystem::path path;
  CarryOver carry;
};

TEST_F(LoadCarryOverTest, CopiesTheLastSlotOfThePreviousDay) {
  PlaceLeapDay();
  ASSERT_TRUE(LoadCarryOver(dump, path, 12, 3, 1, carry));
  EXPECT_EQ(dump.GetFieldText(4), "29");  // the image holds the day before
  const auto& meter3 = carry.CarryOverTable[2].Fields;
  const std::array<std::string, 10> expected = {"9",    "9",    "9",    "9", "1000",
                                                "1001", "1002", "1003", "0", "10"};
  EXPECT_EQ(meter3, expected);
  EXPECT_EQ(carry.CarryOverHour, "23");
  EXPECT_EQ(carry.CarryOverMinute, "45");
  EXPECT_EQ(carry.CarryOverSaveFlag, "1");
  // An erased meter of that slot is copied as its erased texts: 7 bytes of multiplier.
  EXPECT_EQ(carry.CarryOverTable[0].Fields[4], "4294967295");
  EXPECT_EQ(carry.CarryOverTable[0].Fields[9].size(), 7u * 3u);
}

TEST_F(LoadCarryOverTest, AnOlderDateInThatBlockLeavesTheTableReset) {
  // Same block, but 29 December 2011 (two months earlier): not the day before.
  PlaceLeapDay(11, 12, 29);
  carry.CarryOverHour = "stale";
  ASSERT_TRUE(LoadCarryOver(dump, path, 12, 3, 1, carry));
  CarryOver reset;
  EXPECT_EQ(carry.CarryOverHour, "255");
  EXPECT_EQ(carry.CarryOverSaveFlag, "65535");
  for (int n = 0; n < varkelo::dump::MeterCount; ++n)
    EXPECT_EQ(carry.CarryOverTable[n].Fields, reset.CarryOverTable[n].Fields);
  EXPECT_EQ(reset.CarryOverTable[5].Fields[9], varkelo::dump::ErasedMultiplierText);
  EXPECT_EQ(reset.CarryOverTable[5].Fields[0], "65535");
}

TEST_F(LoadCarryOverTest, UnreadableImageOrImpossibleDateFails) {
  EXPECT_FALSE(LoadCarryOver(dump, temp.path() / "missing.nmd", 12, 3, 1, carry));
  PlaceLeapDay();
  for (const auto& [y, m, d] :
       {std::array{12, 13, 1}, std::array{12, 2, 30}, std::array{12, 0, 5}, std::array{12, 4, 0}}) {
    EXPECT_FALSE(LoadCarryOver(dump, path, y, m, d, carry)) << m << "/" << d;
    EXPECT_EQ(carry.CarryOverSaveFlag, "65535");
  }
}

}  // namespace
