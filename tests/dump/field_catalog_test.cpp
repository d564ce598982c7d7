#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dump/dump_image.hpp"

namespace varkelo::dump {
namespace {

TEST(FieldCatalogTest, EachLayoutTilesTheBlockAndLeavesTheRestEmpty) {
  const struct {
    std::int32_t SchemaId, FieldCount, Bytes;
  } layouts[] = {{ConfigSchemaId, config::FieldCount, config::Bytes},
                 {HalfHourSchemaId, halfhour::FieldCount, halfhour::Bytes},
                 {IntervalSchemaId, interval::FieldCount, interval::Bytes},
                 {7, 0, 0}};
  for (const auto& layout : layouts) {
    SCOPED_TRACE(layout.SchemaId);
    Dump dump;
    // Start from the largest layout so that leftovers of it would show.
    dump.PrepareCatalog(HalfHourSchemaId);
    dump.LoadBlockBytes(std::vector<std::uint8_t>(DumpBlockSize, 0x12));
    dump.PrepareCatalog(layout.SchemaId);

    EXPECT_EQ(dump.FieldCount(), layout.FieldCount);
    EXPECT_EQ(dump.NextOffset(), layout.Bytes);
    EXPECT_TRUE(std::ranges::all_of(dump.Image(), [](auto b) { return b == 0xFF; }));
    const auto catalog = dump.Catalog();
    ASSERT_EQ(catalog.size(), static_cast<std::size_t>(CatalogSlots));
    const std::string section = "S[" + std::to_string(layout.SchemaId) + "]";
    std::int32_t offset = 0;
    for (std::int32_t i = 0; i < dump.FieldCount(); ++i) {
      const FieldDescriptor& entry = catalog[static_cast<std::size_t>(i)];
      SCOPED_TRACE("index " + std::to_string(i) + " " + std::string(entry.Label));
      ASSERT_EQ(entry.Offset, offset);
      offset += entry.Length;
      ASSERT_TRUE(entry.Section.starts_with(section) && !entry.Label.empty()) << entry.Section;
      ASSERT_LE(entry.Kind, 3);
      // Only unsigned codes occur; a number's code must agree with its width.
      ASSERT_EQ(entry.Sign, NumberSign::Unsigned);
      const std::string_view code = entry.Kind != 0 || entry.Length == 1 ? "UC"
                                    : entry.Length == 2                  ? "US"
                                                                         : "UL";
      ASSERT_EQ(entry.TypeCode, code);
    }
    for (std::size_t i = static_cast<std::size_t>(dump.FieldCount()); i < catalog.size(); ++i) {
      ASSERT_EQ(catalog[i].Length, 0) << "slot " << i;
    }
  }
}

// The named positions the export, the tools and the tests use sit on the fields they name.
TEST(FieldCatalogTest, NamedPositionsSitOnTheirFields) {
  const struct {
    std::int32_t SchemaId, Index;
    std::string_view Label, Section;
  } named[] = {
      {ConfigSchemaId, head::Year, "年", "S[0]Flash_Head"},
      {ConfigSchemaId, config::MonitorOctets + 4, "モニタ ゲートウェイ[0]", "S[0]Hard_Data-Network_Info"},
      {ConfigSchemaId, config::HostName, "ホスト名", "S[0]Hard_Data-Center_Info"},
      {ConfigSchemaId, config::ProgramVersion, "プログラムバージョン", "S[0]Hard_Data-Main_Info"},
      {ConfigSchemaId, config::DeviceId, "Kov機器ID", "S[0]Hard_Data-Main_Info"},
      {ConfigSchemaId, config::InputOptions, "RS485計器設定オプション", "S[0]Hard_Data"},
      {ConfigSchemaId, config::CollectionSwitch(7), "収集有無[RS485-07]", "S[0]Hard_Data-Meter_Set-RS485"},
      {ConfigSchemaId, config::CollectionSwitch(MeterCount), "収集有無[Echo-20]",
       "S[0]Hard_Data-Meter_Set-Echo"},
      {ConfigSchemaId, config::MeterGroup(1) + config::TypeCode, "計器種別", "S[0]Hard_Data-Meter_Info[1]"},
      {ConfigSchemaId, config::MeterGroup(MeterCount) + config::Multiplier, "乗率",
       "S[0]Hard_Data-Meter_Info[40]"},
      {ConfigSchemaId, config::MeterTag(MeterCount), "計器タグ名[40]", "S[0]Hard_Data-Meter_Tag"},
      {HalfHourSchemaId, head::Day, "日", "S[1]Flash_Head"},
      {HalfHourSchemaId, halfhour::Record(0, 2), "収集ID", "S[1]-Hour[0]-ID[2]"},
      {HalfHourSchemaId, halfhour::Record(halfhour::Slots - 1, MeterCount) + halfhour::Status, "計器状態",
       "S[1]-Hour[47]-ID[40]"},
      {HalfHourSchemaId, halfhour::SaveFlag(halfhour::Slots - 1), "保存完了フラグ", "S[1]Hour[47]"},
      {IntervalSchemaId, interval::Record(1, 1), "区間使用電力量(順方向1)", "S[2]-Hour[1]-ID[1]"},
      {IntervalSchemaId, interval::Record(interval::LastSlot, MeterCount) + interval::Multiplier, "乗率",
       "S[2]-Hour[95]-ID[40]"},
      {IntervalSchemaId, interval::LastSlotRecord + interval::TrailerSaveFlag, "保存完了フラグ",
       "S[2]Hour[95]"},
  };
  Dump dump;
  for (const auto& field : named) {
    dump.PrepareCatalog(field.SchemaId);
    const FieldDescriptor& entry = dump.Catalog()[static_cast<std::size_t>(field.Index)];
    EXPECT_EQ(entry.Label, field.Label) << field.Index;
    EXPECT_EQ(entry.Section, field.Section) << field.Index;
  }
}

TEST(FieldCatalogTest, RegisterFieldRefusesWhatWouldBreakTheCatalogue) {
  Dump dump;
  for (std::int32_t i = 0; i < CatalogSlots; ++i) dump.RegisterField("UC", 1, "S[9]Fill", 0, "fill");
  EXPECT_EQ(dump.Catalog()[CatalogSlots - 1].Offset, CatalogSlots - 1);
  EXPECT_THROW(dump.RegisterField("UC", 1, "S[9]Fill", 0, "one too many"), FieldError);
  EXPECT_EQ(dump.FieldCount(), CatalogSlots);

  Dump negative;
  EXPECT_THROW(negative.RegisterField("UC", -1, "S[9]Test", 0, "negative"), FieldError);
  EXPECT_EQ(negative.FieldCount() + negative.NextOffset(), 0);
}

}  // namespace
}  // namespace varkelo::dump
