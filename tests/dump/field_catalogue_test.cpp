#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dump/field_catalogue.hpp"
#include "dump/field_handles.hpp"

namespace varkelo::dump {
namespace {

TEST(FieldCatalogueTest, EachLayoutTilesTheBlock) {
  const struct {
    Layout layout;
    std::int32_t fieldCount, bytes;
  } layouts[] = {{Layout::Config, config::FieldCount, config::Bytes},
                 {Layout::HalfHour, halfhour::FieldCount, halfhour::Bytes},
                 {Layout::Interval, interval::FieldCount, interval::Bytes}};
  for (const auto& layout : layouts) {
    SCOPED_TRACE(static_cast<int>(layout.layout));
    const FieldCatalogue catalogue(layout.layout);
    EXPECT_EQ(catalogue.FieldCount(), layout.fieldCount);
    EXPECT_EQ(catalogue.Bytes(), layout.bytes);
    EXPECT_EQ(catalogue.Entries().back().offset + catalogue.Entries().back().length, layout.bytes);
  }
}

// The handles the export reads through lie on the catalogue's entries of the same fields.
TEST(FieldCatalogueTest, HandlesLieOnTheirCatalogueEntries) {
  const FieldCatalogue configuration(Layout::Config), halfHourly(Layout::HalfHour),
      intervals(Layout::Interval);
  const auto at = [](const FieldCatalogue& catalogue, std::int32_t index) {
    return catalogue.Entry(index).offset;
  };
  EXPECT_EQ(head::DayField.Offset(), at(intervals, head::Day));
  EXPECT_EQ(config::ProgramVersionField.Offset(), at(configuration, config::ProgramVersion));
  EXPECT_EQ(config::DeviceIdField.Offset(), at(configuration, config::DeviceId));
  for (std::int32_t m = 1; m <= MeterCount; ++m) {
    const config::MeterFields meter(m);
    EXPECT_EQ(meter.NumberField().Offset(), at(configuration, config::MeterGroup(m) + config::Number));
    EXPECT_EQ(meter.YearMadeField().Offset(), at(configuration, config::MeterGroup(m) + config::YearMade));
    for (std::int32_t slot : {0, 1, halfhour::Slots - 1}) {
      const halfhour::RecordFields record(slot, m);
      EXPECT_EQ(record.ClockField(4).Offset(),
                at(halfHourly, halfhour::Record(slot, m) + halfhour::Clock + 4));
      EXPECT_EQ(record.MultiplierField().Offset(),
                at(halfHourly, halfhour::Record(slot, m) + halfhour::Multiplier));
    }
    for (std::int32_t slot : {0, 1, interval::LastSlot}) {
      const interval::RecordFields record(slot, m);
      EXPECT_EQ(record.IntervalField(3).Offset(),
                at(intervals, interval::Record(slot, m) + interval::Interval + 3));
      EXPECT_EQ(record.StateField().Offset(), at(intervals, interval::Record(slot, m) + interval::State));
      EXPECT_EQ(interval::TrailerFields(slot).SaveFlagField().Offset(),
                at(intervals, interval::Record(slot, 1) + interval::TrailerSaveFlag));
    }
  }
}

// The named positions the export, the tools and the tests use sit on the fields they name.
TEST(FieldCatalogueTest, NamedPositionsSitOnTheirFields) {
  const struct {
    Layout layout;
    std::int32_t index;
    std::string_view label, section;
  } named[] = {
      {Layout::Config, head::Year, "年", "S[0]Flash_Head"},
      {Layout::Config, config::ProgramVersion, "プログラムバージョン", "S[0]Hard_Data-Main_Info"},
      {Layout::Config, config::CollectionSwitch(7), "収集有無[RS485-07]", "S[0]Hard_Data-Meter_Set-RS485"},
      {Layout::Config, config::MeterGroup(MeterCount) + config::Multiplier, "乗率",
       "S[0]Hard_Data-Meter_Info[40]"},
      {Layout::Config, config::MeterTag(MeterCount), "計器タグ名[40]", "S[0]Hard_Data-Meter_Tag"},
      {Layout::HalfHour, halfhour::Record(0, 2), "収集ID", "S[1]-Hour[0]-ID[2]"},
      {Layout::Interval, interval::Record(interval::LastSlot, MeterCount) + interval::Multiplier, "乗率",
       "S[2]-Hour[95]-ID[40]"},
      {Layout::Interval, interval::LastSlotRecord + interval::TrailerSaveFlag, "保存完了フラグ",
       "S[2]Hour[95]"},
  };
  for (const auto& field : named) {
    const FieldCatalogue catalogue(field.layout);
    EXPECT_EQ(catalogue.Entry(field.index).label, field.label) << field.index;
    EXPECT_EQ(catalogue.SectionText(field.index), field.section) << field.index;
  }
}

}  // namespace
}  // namespace varkelo::dump
