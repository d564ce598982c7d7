#include "export/carry_over.hpp"

#include <gtest/gtest.h>

#include "sector_builder.hpp"
#include "temp_folder.hpp"

using namespace varkelo;
using namespace varkelo::exporting;

namespace {

std::string SlotTexts(const CarryOver& carry) {
  return carry.CarryOverHour + ":" + carry.CarryOverMinute + " " + carry.CarryOverSaveFlag;
}

class LoadCarryOverTest : public ::testing::Test {
 protected:
  void SetUp() override { dump.PrepareCatalog(dump::IntervalSchemaId); }

  // The block of 29 February holds year/month/day, with meter 3 filled in the last slot.
  void PlaceLeapDay(int year, int month, int day) {
    SectorBuilder& block = image.Block(dump::BlockOfDate(2, 29));
    block.SetDate(year, month, day);
    block.SetIntervalSlot(dump::interval::LastSlot, 23, 45);
    block.SetIntervalMeter(dump::interval::LastSlot, 3, {{9, 9, 9, 9}, {1000, 1001, 1002, 1003}, 0, "10"});
    ASSERT_TRUE(image.Write(path));
  }

  dump::Dump dump;
  ImageFile image{dump::IntervalSchemaId};
  TempFolder temp;
  std::filesystem::path path = temp.path() / "read.nmd";
  CarryOver carry;
};

TEST_F(LoadCarryOverTest, CopiesTheLastSlotOfThePreviousDay) {
  PlaceLeapDay(12, 2, 29);
  ASSERT_TRUE(LoadCarryOver(dump, path, 12, 3, 1, carry));
  EXPECT_EQ(dump.GetFieldText(dump::head::Day), "29");  // the image holds the day before
  const std::array<std::string, 10> meter3 = {"9", "9", "9", "9", "1000", "1001", "1002", "1003", "0", "10"};
  EXPECT_EQ(carry.CarryOverTable[2].Fields, meter3);
  EXPECT_EQ(SlotTexts(carry), "23:45 1");
  // An erased meter of that slot is copied as its erased texts: 7 bytes of multiplier.
  EXPECT_EQ(carry.CarryOverTable[0].Fields[4], "4294967295");
  EXPECT_EQ(carry.CarryOverTable[0].Fields[9], "\uF8F3\uF8F3\uF8F3\uF8F3\uF8F3\uF8F3\uF8F3");
}

TEST_F(LoadCarryOverTest, AnotherDateInThatBlockOrNoDateLeavesTheTableReset) {
  const CarryOver reset;
  EXPECT_EQ(reset.CarryOverTable[5].Fields[0], "65535");
  EXPECT_EQ(reset.CarryOverTable[5].Fields[4], "4294967295");
  EXPECT_EQ(reset.CarryOverTable[5].Fields[9], dump::ErasedMultiplierText);
  EXPECT_EQ(SlotTexts(reset), "255:255 65535");

  // 29 December 2011 (two months earlier) in the same block: not the day before 1 March 2012.
  PlaceLeapDay(11, 12, 29);
  carry.CarryOverHour = "stale";
  ASSERT_TRUE(LoadCarryOver(dump, path, 12, 3, 1, carry));
  for (int n = 0; n < dump::MeterCount; ++n)
    EXPECT_EQ(carry.CarryOverTable[n].Fields, reset.CarryOverTable[n].Fields);
  EXPECT_EQ(SlotTexts(carry), "255:255 65535");

  // No image, or a date that is no calendar date: a failure.
  EXPECT_FALSE(LoadCarryOver(dump, temp.path() / "missing.nmd", 12, 3, 1, carry));
  PlaceLeapDay(12, 2, 29);
  for (const auto& [y, m, d] : {std::array{12, 13, 1}, {12, 2, 30}, {12, 0, 5}, {12, 4, 0}}) {
    EXPECT_FALSE(LoadCarryOver(dump, path, y, m, d, carry)) << m << "/" << d;
    EXPECT_EQ(carry.CarryOverSaveFlag, "65535");
  }
}

}  // namespace
