#include "export/meter_list.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "temp_folder.hpp"

using varkelo::dump::Dump;
using varkelo::exporting::WriteMeterList;

namespace {

constexpr int MeterTableOffset = 188;
constexpr int MeterRecordSize = 36;
const std::string Header = "\x8E\xFB\x8F\x57ID,\x8C\x76\x8A\xED\x8F\xEE\x95\xF1\r\n";  // 収集ID,計器情報

struct MeterBytes {
  int position;
  char maker;
  std::uint16_t year;
  const char* type;    // up to 8 bytes
  const char* number;  // up to 12 bytes
};

class MeterListTest : public ::testing::Test {
 protected:
  void SetUp() override { dump.PrepareCatalog(0); }

  std::uint8_t* Record(int position) {
    return block.data() + MeterTableOffset + MeterRecordSize * (position - 1);
  }

  void Place(const MeterBytes& m) {
    std::uint8_t* r = Record(m.position);
    r[4] = static_cast<std::uint8_t>(m.maker);
    r[6] = m.year & 0xFF;
    r[7] = m.year >> 8;
    std::memcpy(r + 8, m.type, std::min<std::size_t>(8, std::strlen(m.type)));
    std::memcpy(r + 16, m.number, std::min<std::size_t>(12, std::strlen(m.number)));
  }

  std::string Write() {
    const auto path = temp.path() / "ID.csv";
    dump.LoadBlockBytes(block);
    EXPECT_TRUE(WriteMeterList(dump, path));
    return ReadFileBytes(path);
  }

  static std::string Line(int n, const std::string& body) { return std::to_string(n) + "," + body + "\r\n"; }

  Dump dump;
  std::vector<std::uint8_t> block = std::vector<std::uint8_t>(varkelo::dump::DumpBlockSize, 0x00);
  TempFolder temp;
};

TEST_F(MeterListTest, ZeroedAndErasedTablesGiveFortyPlaceholderLines) {
  const std::string erased = "*-****-" + std::string(8, '\xFF') + "-" + std::string(12, '\xFF');
  for (const std::uint8_t fill : {0x00, 0xFF}) {
    std::fill(block.begin(), block.end(), fill);
    std::string expected = Header;
    for (int n = 1; n <= 40; ++n) expected += Line(n, fill == 0 ? "-2000-****-**********" : erased);
    EXPECT_EQ(Write(), expected) << int{fill};
  }
}

TEST_F(MeterListTest, YearsOfManufactureAcrossTheirBoundaries) {
  const struct {
    std::uint16_t stored;
    const char* shown;
  } years[] = {{0, "2000"},    {7, "2007"},    {99, "2099"},   {100, "****"},   {999, "****"},
               {1000, "1000"}, {2013, "2013"}, {9999, "9999"}, {10000, "****"}, {65535, "****"}};
  int position = 1;
  for (const auto& y : years) Place({position++, 'A', y.stored, "T1", "N1"});
  const std::string file = Write();
  position = 1;
  for (const auto& y : years) {
    const std::string line = Line(position++, std::string("A-") + y.shown + "-T1-N1");
    EXPECT_NE(file.find(line), std::string::npos) << y.stored;
  }
}

TEST_F(MeterListTest, ConfiguredMetersAndFullWidthFields) {
  Place({1, 'K', 12, "ABCDEFGH", "123456789012"});
  Place({40, '\xB1', 2013, "3P3W", "0001"});  // maker symbol in half-width katakana
  const std::string file = Write();
  EXPECT_EQ(file.substr(0, Header.size()), Header);
  EXPECT_NE(file.find("\r\n1,K-2012-ABCDEFGH-123456789012\r\n"), std::string::npos);
  EXPECT_NE(file.find("\r\n40,\xB1-2013-3P3W-0001\r\n"), std::string::npos);
  EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 41);
}

}  // namespace
