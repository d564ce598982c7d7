#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dump/dump_image.hpp"

namespace varkelo::dump {
namespace {

TEST(FieldCatalogTest, EachLayoutTilesTheBlockWithTypesThatAgreeWithTheWidths) {
  const struct {
    Layout layout;
    std::int32_t fieldCount, bytes;
  } layouts[] = {{Layout::Config, config::FieldCount, config::Bytes},
                 {Layout::HalfHour, halfhour::FieldCount, halfhour::Bytes},
                 {Layout::Interval, interval::FieldCount, interval::Bytes}};
  Dump dump;
  for (const auto& layout : layouts) {
    SCOPED_TRACE(static_cast<int>(layout.layout));
    // Start from the largest layout so that leftovers of it would show.
    dump.PrepareCatalog(Layout::HalfHour);
    dump.LoadBlockBytes(std::vector<std::uint8_t>(DumpBlockSize, 0x12));
    dump.PrepareCatalog(layout.layout);
    EXPECT_EQ(dump.FieldCount(), layout.fieldCount);
    EXPECT_EQ(dump.NextOffset(), layout.bytes);
    EXPECT_TRUE(std::ranges::all_of(dump.Image(), [](auto b) { return b == 0xFF; }));
    std::int32_t offset = 0;
    for (const FieldDescriptor& entry : dump.Catalog()) {
      ASSERT_EQ(entry.offset, offset) << entry.label;
      offset += entry.length;
      // Only unsigned codes occur; a number's code must agree with its width.
      const TypeCode code = entry.kind != FieldKind::Number || entry.length == 1 ? TypeCode::Unsigned8
                            : entry.length == 2                                  ? TypeCode::Unsigned16
                                                                                 : TypeCode::Unsigned32;
      ASSERT_EQ(entry.type, code) << entry.label;
    }
  }
}

// The named positions the export, the tools and the tests use sit on the fields they name.
TEST(FieldCatalogTest, NamedPositionsSitOnTheirFields) {
  const struct {
    Layout layout;
    std::int32_t index;
    std::string_view label, section;
  } named[] = {
      {Layout::Config, head::Year, "年", "S[0]Flash_Head"},
      {Layout::Config, config::MonitorOctets + 4, "モニタ ゲートウェイ[0]", "S[0]Hard_Data-Network_Info"},
      {Layout::Config, config::ProgramVersion, "プログラムバージョン", "S[0]Hard_Data-Main_Info"},
      {Layout::Config, config::DeviceId, "Kov機器ID", "S[0]Hard_Data-Main_Info"},
      {Layout::Config, config::CollectionSwitch(7), "収集有無[RS485-07]", "S[0]Hard_Data-Meter_Set-RS485"},
      {Layout::Config, config::CollectionSwitch(MeterCount), "収集有無[Echo-20]",
       "S[0]Hard_Data-Meter_Set-Echo"},
      {Layout::Config, config::MeterGroup(MeterCount) + config::Multiplier, "乗率",
       "S[0]Hard_Data-Meter_Info[40]"},
      {Layout::Config, config::MeterTag(MeterCount), "計器タグ名[40]", "S[0]Hard_Data-Meter_Tag"},
      {Layout::HalfHour, halfhour::Record(0, 2), "収集ID", "S[1]-Hour[0]-ID[2]"},
      {Layout::HalfHour, halfhour::SaveFlag(halfhour::Slots - 1), "保存完了フラグ", "S[1]Hour[47]"},
      {Layout::Interval, interval::Record(interval::LastSlot, MeterCount) + interval::Multiplier, "乗率",
       "S[2]-Hour[95]-ID[40]"},
      {Layout::Interval, interval::LastSlotRecord + interval::TrailerSaveFlag, "保存完了フラグ",
       "S[2]Hour[95]"},
  };
  Dump dump;
  for (const auto& field : named) {
    dump.PrepareCatalog(field.layout);
    EXPECT_EQ(dump.Catalog()[static_cast<std::size_t>(field.index)].label, field.label) << field.index;
    EXPECT_EQ(dump.SectionText(field.index), field.section) << field.index;
  }
}

TEST(FieldCatalogTest, RegisterFieldRefusesWhatWouldBreakTheCatalogue) {
  Dump dump;
  for (std::int32_t i = 0; i < CatalogSlots; ++i)
    dump.RegisterField(TypeCode::Unsigned8, 1, {"Fill"}, FieldKind::Number, "fill");
  EXPECT_THROW(dump.RegisterField(TypeCode::Unsigned8, 1, {"Fill"}, FieldKind::Number, "one too many"),
               FieldError);
  EXPECT_EQ(dump.FieldCount(), CatalogSlots);

  Dump other;
  EXPECT_THROW(other.RegisterField(TypeCode::Unsigned8, -1, {"Test"}, FieldKind::Number, "negative"),
               FieldError);
  for (int i = 0; i < 4; ++i)
    other.RegisterField(TypeCode::Unsigned8, 32767, {"Test"}, FieldKind::ByteText, "fill");
  other.RegisterField(TypeCode::Unsigned32, 4, {"Test"}, FieldKind::Number, "last");
  EXPECT_THROW(other.RegisterField(TypeCode::Unsigned8, 1, {"Test"}, FieldKind::Number, "past"), FieldError);
  EXPECT_EQ(other.NextOffset(), DumpBlockSize);
}

}  // namespace
}  // namespace varkelo::dump
