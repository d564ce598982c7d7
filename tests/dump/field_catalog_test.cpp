#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dump/dump_image.hpp"

namespace varkelo::dump {
namespace {

struct LayoutCase {
  std::int32_t SchemaId;
  std::int32_t FieldCount;
  std::int32_t NextOffset;
};

class FieldCatalogLayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(FieldCatalogLayoutTest, TilesTheBlockAndLeavesTheRestEmpty) {
  const LayoutCase& layout = GetParam();
  Dump dump;
  // Start from the largest layout so that leftovers of it would show.
  dump.PrepareCatalog(HalfHourSchemaId);
  dump.LoadBlockBytes(std::vector<std::uint8_t>(DumpBlockSize, 0x12));
  dump.PrepareCatalog(layout.SchemaId);

  EXPECT_EQ(dump.FieldCount(), layout.FieldCount);
  EXPECT_EQ(dump.NextOffset(), layout.NextOffset);
  const auto catalog = dump.Catalog();
  ASSERT_EQ(catalog.size(), static_cast<std::size_t>(CatalogSlots));
  ASSERT_EQ(dump.Image().size(), static_cast<std::size_t>(DumpBlockSize));
  EXPECT_TRUE(std::all_of(dump.Image().begin(), dump.Image().end(), [](auto b) { return b == 0xFF; }));

  const std::string sectionStart = "S[" + std::to_string(layout.SchemaId) + "]";
  std::int32_t expectedOffset = 0;
  for (std::int32_t i = 0; i < dump.FieldCount(); ++i) {
    const FieldDescriptor& entry = catalog[static_cast<std::size_t>(i)];
    SCOPED_TRACE("index " + std::to_string(i) + " " + std::string(entry.Label));
    ASSERT_EQ(entry.Offset, expectedOffset);
    ASSERT_GT(entry.Length, 0);
    ASSERT_LE(entry.Length, 68);
    expectedOffset += entry.Length;
    ASSERT_TRUE(entry.Section.starts_with(sectionStart)) << entry.Section;
    ASSERT_FALSE(entry.Label.empty());
    ASSERT_LE(entry.Kind, 3);
    // Only unsigned codes occur; a number's code must agree with its width.
    ASSERT_EQ(entry.Sign, NumberSign::Unsigned);
    if (entry.Kind == 0) {
      const std::string_view expectedCode = entry.Length == 1 ? "UC" : entry.Length == 2 ? "US" : "UL";
      ASSERT_EQ(entry.TypeCode, expectedCode);
    } else {
      ASSERT_EQ(entry.TypeCode, "UC");
    }
  }
  for (std::size_t i = static_cast<std::size_t>(dump.FieldCount()); i < catalog.size(); ++i) {
    ASSERT_EQ(catalog[i].Length, 0) << "slot " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, FieldCatalogLayoutTest,
                         testing::Values(LayoutCase{ConfigSchemaId, 526, 3708},
                                         LayoutCase{HalfHourSchemaId, 40374, 130760},
                                         LayoutCase{IntervalSchemaId, 38694, 123272}, LayoutCase{7, 0, 0},
                                         LayoutCase{-1, 0, 0}),
                         [](const auto& info) {
                           const std::int32_t id = info.param.SchemaId;
                           return id < 0 ? std::string("SchemaMinus1") : "Schema" + std::to_string(id);
                         });

struct NamedEntry {
  std::int32_t SchemaId;
  std::int32_t Index;
  std::int32_t Offset;
  std::int16_t Length;
  std::string_view TypeCode;
  std::uint8_t Kind;
  std::string_view Label;
  std::string_view Section;
};

const std::vector<NamedEntry>& NamedEntries() {
  static const std::vector<NamedEntry> entries = {
      {0, 0, 0, 2, "US", 0, "デバイス番号", "S[0]Flash_Head"},
      {0, 9, 11, 1, "UC", 0, "ダミーC[2]", "S[0]Hard_Data-Network_Info"},
      {0, 13, 15, 1, "UC", 0, "モニタIPアドレス[3]", "S[0]Hard_Data-Network_Info"},
      {0, 14, 16, 1, "UC", 0, "モニタ ゲートウェイ[0]", "S[0]Hard_Data-Network_Info"},
      {0, 25, 27, 1, "UC", 0, "モニタ DNSサーバ[3]", "S[0]Hard_Data-Network_Info"},
      {0, 26, 28, 68, "UC", 2, "ホスト名", "S[0]Hard_Data-Center_Info"},
      {0, 29, 100, 4, "UL", 0, "接続周期", "S[0]Hard_Data-Center_Info"},
      {0, 32, 120, 4, "UC", 2, "プログラムバージョン", "S[0]Hard_Data-Main_Info"},
      {0, 41, 132, 12, "UC", 2, "Kov機器ID", "S[0]Hard_Data-Main_Info"},
      {0, 46, 148, 1, "UC", 0, "収集有無[RS485-01]", "S[0]Hard_Data-Meter_Set-RS485"},
      {0, 52, 154, 1, "UC", 0, "収集有無[RS485-07]", "S[0]Hard_Data-Meter_Set-RS485"},
      {0, 85, 187, 1, "UC", 0, "収集有無[Echo-20]", "S[0]Hard_Data-Meter_Set-Echo"},
      {0, 86, 188, 1, "UC", 0, "収集ID", "S[0]Hard_Data-Meter_Info[1]"},
      {0, 87, 189, 1, "UC", 0, "計器種別", "S[0]Hard_Data-Meter_Info[1]"},
      {0, 90, 192, 1, "UC", 2, "メーカー記号", "S[0]Hard_Data-Meter_Info[1]"},
      {0, 92, 194, 2, "US", 0, "製造年", "S[0]Hard_Data-Meter_Info[1]"},
      {0, 93, 196, 8, "UC", 2, "計器種別", "S[0]Hard_Data-Meter_Info[1]"},
      {0, 95, 216, 8, "UC", 2, "乗率", "S[0]Hard_Data-Meter_Info[1]"},
      {0, 146, 404, 1, "UC", 0, "収集ID", "S[0]Hard_Data-Meter_Info[7]"},
      {0, 485, 1620, 8, "UC", 2, "乗率", "S[0]Hard_Data-Meter_Info[40]"},
      {0, 486, 1628, 52, "UC", 3, "計器タグ名[01]", "S[0]Hard_Data-Meter_Tag"},
      {0, 492, 1940, 52, "UC", 3, "計器タグ名[07]", "S[0]Hard_Data-Meter_Tag"},
      {0, 525, 3656, 52, "UC", 3, "計器タグ名[40]", "S[0]Hard_Data-Meter_Tag"},
      {1, 2, 4, 1, "UC", 0, "年", "S[1]Flash_Head"},
      {1, 6, 8, 1, "UC", 0, "収集ID", "S[1]-Hour[0]-ID[1]"},
      {1, 12, 14, 2, "US", 0, "リセットフラグ", "S[1]-Hour[0]-ID[1]"},
      {1, 13, 16, 4, "UL", 0, "30分使用電力量(順方向1)", "S[1]-Hour[0]-ID[1]"},
      {1, 19, 40, 4, "UL", 0, "積算電力量(順方向1)", "S[1]-Hour[0]-ID[1]"},
      {1, 25, 64, 4, "UC", 1, "計器状態", "S[1]-Hour[0]-ID[1]"},
      {1, 26, 68, 8, "UC", 2, "乗率", "S[1]-Hour[0]-ID[1]"},
      {1, 27, 76, 1, "UC", 0, "収集ID", "S[1]-Hour[0]-ID[2]"},
      {1, 846, 2728, 4, "UL", 0, "保存完了フラグ", "S[1]Hour[0]"},
      {1, 847, 2732, 1, "UC", 0, "収集ID", "S[1]-Hour[1]-ID[1]"},
      {1, 40352, 130688, 1, "UC", 0, "収集ID", "S[1]-Hour[47]-ID[40]"},
      {1, 40373, 130756, 4, "UL", 0, "保存完了フラグ", "S[1]Hour[47]"},
      {2, 4, 6, 1, "UC", 0, "日", "S[2]Flash_Head"},
      {2, 6, 8, 2, "US", 0, "区間使用電力量(順方向1)", "S[2]-Hour[0]-ID[1]"},
      {2, 10, 16, 4, "UL", 0, "積算電力量(順方向1)", "S[2]-Hour[0]-ID[1]"},
      {2, 14, 32, 1, "UC", 0, "収集状態", "S[2]-Hour[0]-ID[1]"},
      {2, 15, 33, 7, "UC", 2, "乗率", "S[2]-Hour[0]-ID[1]"},
      {2, 16, 40, 2, "US", 0, "区間使用電力量(順方向1)", "S[2]-Hour[0]-ID[2]"},
      {2, 406, 1288, 1, "UC", 0, "時", "S[2]Hour[0]"},
      {2, 408, 1290, 2, "US", 0, "保存完了フラグ", "S[2]Hour[0]"},
      {2, 409, 1292, 2, "US", 0, "区間使用電力量(順方向1)", "S[2]-Hour[1]-ID[1]"},
      {2, 38691, 123268, 1, "UC", 0, "時", "S[2]Hour[95]"},
      {2, 38693, 123270, 2, "US", 0, "保存完了フラグ", "S[2]Hour[95]"},
  };
  return entries;
}

TEST(FieldCatalogTest, NamedEntriesSitWhereTheExportLooksForThem) {
  Dump dump;
  std::int32_t prepared = -1;
  for (const NamedEntry& expected : NamedEntries()) {
    if (expected.SchemaId != prepared) {
      dump.PrepareCatalog(expected.SchemaId);
      prepared = expected.SchemaId;
    }
    SCOPED_TRACE("schema " + std::to_string(expected.SchemaId) + " index " + std::to_string(expected.Index));
    const FieldDescriptor& entry = dump.Catalog()[static_cast<std::size_t>(expected.Index)];
    EXPECT_EQ(entry.Offset, expected.Offset);
    EXPECT_EQ(entry.Length, expected.Length);
    EXPECT_EQ(entry.TypeCode, expected.TypeCode);
    EXPECT_EQ(entry.Kind, expected.Kind);
    EXPECT_EQ(entry.Label, expected.Label);
    EXPECT_EQ(entry.Section, expected.Section);
  }
}

TEST(FieldCatalogTest, RegisterFieldRefusesWhatWouldBreakTheCatalogue) {
  Dump dump;
  for (std::int32_t i = 0; i < CatalogSlots; ++i) dump.RegisterField("UC", 1, "S[9]Fill", 0, "fill");
  EXPECT_EQ(dump.FieldCount(), CatalogSlots);
  EXPECT_EQ(dump.Catalog()[CatalogSlots - 1].Offset, CatalogSlots - 1);
  EXPECT_THROW(dump.RegisterField("UC", 1, "S[9]Fill", 0, "one too many"), FieldError);
  EXPECT_EQ(dump.FieldCount(), CatalogSlots);

  Dump negative;
  EXPECT_THROW(negative.RegisterField("UC", -1, "S[9]Test", 0, "negative"), FieldError);
  EXPECT_EQ(negative.FieldCount(), 0);
  EXPECT_EQ(negative.NextOffset(), 0);
}

}  // namespace
}  // namespace varkelo::dump
