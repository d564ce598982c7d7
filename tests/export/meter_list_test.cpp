#include "export/meter_list.hpp"

#include <gtest/gtest.h>

#include <string>

#include "sector_builder.hpp"
#include "temp_folder.hpp"

using namespace varkelo;
namespace config = dump::config;

namespace {

// The header, configured, cleared and erased positions of a sample gateway are in
// the sample exports; here the years at their boundaries and fields of full width.
TEST(MeterListTest, YearsOfManufactureAndFullWidthFields) {
  const dump::FieldCatalogue catalogue(dump::Layout::Config);
  SectorBuilder block{catalogue};
  const auto place = [&](int position, std::string_view maker, std::uint16_t year, std::string_view type,
                         std::string_view number) {
    const std::int32_t group = config::MeterGroup(position);
    block.Text(group + config::Maker, maker);
    block.Number(group + config::YearMade, year);
    block.Text(group + config::TypeText, type);
    block.Text(group + config::Number, number);
  };
  const struct {
    std::uint16_t stored;
    const char* shown;
  } years[] = {{0, "2000"},    {99, "2099"},   {100, "****"},   {999, "****"},
               {1000, "1000"}, {9999, "9999"}, {10000, "****"}, {65535, "****"}};
  int position = 1;
  for (const auto& y : years) place(position++, "A", y.stored, "T1", "N1");
  place(dump::MeterCount - 1, "K", 12, "ABCDEFGH", "123456789012");
  place(dump::MeterCount, "\xB1", 2013, "3P3W", "0001");  // a half-width katakana maker symbol
  TempFolder temp;
  ASSERT_TRUE(exporting::WriteMeterList(block.Loaded(), temp.Path() / "ID.csv"));
  const std::string file = ReadFileBytes(temp.Path() / "ID.csv");
  position = 1;
  for (const auto& y : years) {
    const std::string line = "\r\n" + std::to_string(position++) + ",A-" + y.shown + "-T1-N1\r\n";
    EXPECT_NE(file.find(line), std::string::npos) << y.stored;
  }
  EXPECT_NE(file.find("\r\n" + std::to_string(dump::MeterCount - 1) + ",K-2012-ABCDEFGH-123456789012\r\n"),
            std::string::npos);
  EXPECT_TRUE(file.ends_with("\r\n" + std::to_string(dump::MeterCount) + ",\xB1-2013-3P3W-0001\r\n"));
}

}  // namespace
