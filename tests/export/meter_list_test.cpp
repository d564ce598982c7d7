#include "export/meter_list.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "sector_builder.hpp"
#include "temp_folder.hpp"

using namespace varkelo;
namespace config = dump::config;

namespace {

const std::string Header = "\x8E\xFB\x8F\x57ID,\x8C\x76\x8A\xED\x8F\xEE\x95\xF1\r\n";  // 収集ID,計器情報

class MeterListTest : public ::testing::Test {
 protected:
  void SetUp() override { dump.PrepareCatalog(dump::ConfigSchemaId); }

  void Place(int position, std::string_view maker, std::uint16_t year, std::string_view type,
             std::string_view number) {
    const std::int32_t group = config::MeterGroup(position);
    block.Text(group + config::Maker, maker);
    block.Number(group + config::YearMade, year);
    block.Text(group + config::TypeText, type);
    block.Text(group + config::Number, number);
  }
  std::string Write() {
    EXPECT_TRUE(exporting::WriteMeterList(block.Loaded(), temp.path() / "ID.csv"));
    return ReadFileBytes(temp.path() / "ID.csv");
  }

  dump::Dump dump;
  SectorBuilder block{dump};
  TempFolder temp;
};

TEST_F(MeterListTest, ErasedAndZeroedTablesGivePlaceholderLines) {
  std::string erased = Header, zeroed = Header;
  for (int n = 1; n <= dump::MeterCount; ++n) {
    erased +=
        std::to_string(n) + ",*-****-" + std::string(8, '\xFF') + "-" + std::string(12, '\xFF') + "\r\n";
    zeroed += std::to_string(n) + ",-2000-****-**********\r\n";
  }
  EXPECT_EQ(Write(), erased);
  for (int n = 1; n <= dump::MeterCount; ++n) Place(n, "", 0, "", "");
  EXPECT_EQ(Write(), zeroed);
}

TEST_F(MeterListTest, MetersAndYearsOfManufacture) {
  const struct {
    std::uint16_t stored;
    const char* shown;
  } years[] = {{0, "2000"},    {7, "2007"},    {99, "2099"},   {100, "****"},   {999, "****"},
               {1000, "1000"}, {2013, "2013"}, {9999, "9999"}, {10000, "****"}, {65535, "****"}};
  int position = 1;
  for (const auto& y : years) Place(position++, "A", y.stored, "T1", "N1");
  Place(39, "K", 12, "ABCDEFGH", "123456789012");  // full-width fields
  Place(40, "\xB1", 2013, "3P3W", "0001");         // a half-width katakana maker symbol
  const std::string file = Write();
  EXPECT_EQ(file.substr(0, Header.size()), Header);
  position = 1;
  for (const auto& y : years) {
    EXPECT_NE(file.find("\r\n" + std::to_string(position++) + ",A-" + y.shown + "-T1-N1\r\n"),
              std::string::npos)
        << y.stored;
  }
  EXPECT_NE(file.find("\r\n39,K-2012-ABCDEFGH-123456789012\r\n"), std::string::npos);
  EXPECT_NE(file.find("\r\n40,\xB1-2013-3P3W-0001\r\n"), std::string::npos);
  EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 41);
}

}  // namespace
