#include "export/carry_over.hpp"

#include <gtest/gtest.h>

#include "sector_builder.hpp"
#include "temp_folder.hpp"

using namespace varkelo;
using namespace varkelo::exporting;

namespace {

// What the carry-over brings into the day files is in the sample exports; here
// the failures, which leave the table at its reset values.
TEST(LoadCarryOverTest, UnreadableImageOrADateThatIsNoCalendarDateFails) {
  dump::Dump dump;
  dump.PrepareCatalog(dump::IntervalSchemaId);
  TempFolder temp;
  CarryOver carry;
  carry.CarryOverSaveFlag = "1";
  EXPECT_FALSE(LoadCarryOver(dump, temp.path() / "missing.nmd", 12, 3, 1, carry));
  EXPECT_EQ(carry.CarryOverSaveFlag, "65535");

  ImageFile image{dump::IntervalSchemaId};
  ASSERT_TRUE(image.Write(temp.path() / "read.nmd"));
  for (const auto& [y, m, d] : {std::array{12, 13, 1}, {12, 2, 30}, {12, 0, 5}, {12, 4, 0}}) {
    carry.CarryOverSaveFlag = "1";
    EXPECT_FALSE(LoadCarryOver(dump, temp.path() / "read.nmd", y, m, d, carry)) << m << "/" << d;
    EXPECT_EQ(carry.CarryOverSaveFlag, "65535");
  }
}

}  // namespace
