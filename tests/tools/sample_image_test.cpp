#include "lib/sample_image.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string>

#include "dump/dump_image.hpp"

namespace varkelo::tools {
namespace {

constexpr std::size_t BlockSize = 131072;

SampleOptions Defaults(SampleLayout layout) {
  SampleOptions options;
  options.Layout = layout;
  return options;
}

const std::vector<std::uint8_t>& DefaultImage(SampleLayout layout) {
  static const std::vector<std::uint8_t> interval = MakeSampleImage(Defaults(SampleLayout::Interval));
  static const std::vector<std::uint8_t> halfHour = MakeSampleImage(Defaults(SampleLayout::HalfHour));
  return layout == SampleLayout::Interval ? interval : halfHour;
}

const std::uint8_t* At(const std::vector<std::uint8_t>& image, int block, std::size_t offset) {
  return image.data() + BlockSize * static_cast<std::size_t>(block) + offset;
}

unsigned U16(const std::uint8_t* p) {
  return p[0] | (p[1] << 8);
}
std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
bool AllErased(const std::uint8_t* p, std::size_t size) {
  return std::all_of(p, p + size, [](std::uint8_t b) { return b == 0xFF; });
}
std::array<int, 3> HeadDate(const std::vector<std::uint8_t>& image, int block) {
  const std::uint8_t* head = At(image, block, 0);
  return {head[4], head[5], head[6]};
}

// Interval layout: meter m (1 to 40) of slot s.
std::size_t IntervalGroup(int slot, int meter) {
  return 8 + 1284 * slot + 32 * (meter - 1);
}
std::size_t HalfHourGroup(int slot, int meter) {
  return 8 + 2724 * slot + 68 * (meter - 1);
}

class SampleImageTest : public ::testing::TestWithParam<SampleLayout> {};

TEST_P(SampleImageTest, IsEightMebibytesAndFollowsItsSeed) {
  const std::vector<std::uint8_t>& image = DefaultImage(GetParam());
  ASSERT_EQ(image.size(), 64u * BlockSize);
  EXPECT_EQ(MakeSampleImage(Defaults(GetParam())), image);

  SampleOptions other = Defaults(GetParam());
  other.Seed = 2;
  const std::vector<std::uint8_t> reseeded = MakeSampleImage(other);
  ASSERT_EQ(reseeded.size(), image.size());
  // Same dates, other values.
  EXPECT_EQ(HeadDate(reseeded, 62), HeadDate(image, 62));
  EXPECT_FALSE(std::equal(At(image, 62, 0), At(image, 63, 0), At(reseeded, 62, 0)));
}

TEST_P(SampleImageTest, StoresEachDayAtTheBlockOfItsDate) {
  const std::vector<std::uint8_t>& image = DefaultImage(GetParam());
  struct Case {
    int Block;
    std::array<int, 3> Date;
  };
  // From 2012-12-10 for 40 days: December (even month) at day + 31, January at day.
  for (const Case& c :
       {Case{41, {12, 12, 10}}, Case{62, {12, 12, 31}}, Case{1, {13, 1, 1}}, Case{18, {13, 1, 18}}}) {
    SCOPED_TRACE(c.Block);
    EXPECT_EQ(HeadDate(image, c.Block), c.Date);
    EXPECT_EQ(U16(At(image, c.Block, 2)), static_cast<unsigned>(c.Block));  // sector number
  }
  // Blocks without a day, block 63 (no date maps to it) included, are wholly erased.
  for (int block : {19, 31, 32, 39, 63}) {
    SCOPED_TRACE(block);
    EXPECT_TRUE(AllErased(At(image, block, 0), BlockSize));
  }
  int dated = 0;
  for (int block = 1; block < 64; ++block) dated += At(image, block, 4)[0] != 0xFF;
  EXPECT_EQ(dated, 41);  // 40 days and the older one
}

TEST_P(SampleImageTest, KeepsAnOlderDayInTheBlockBeforeTheFirstDay) {
  const std::vector<std::uint8_t>& image = DefaultImage(GetParam());
  const SamplePlan plan = PlanSampleImage(Defaults(GetParam()));
  ASSERT_TRUE(plan.OlderDay);
  EXPECT_EQ(plan.OlderDay->Date, (SampleDate{2012, 10, 9}));
  EXPECT_EQ(plan.OlderDay->Block, 40);
  // The block the first day (2012-12-10) looks in for 2012-12-09 holds another date.
  EXPECT_EQ(HeadDate(image, 40), (std::array<int, 3>{12, 10, 9}));

  // Its readings lie below those of the stored days.
  const bool interval = GetParam() == SampleLayout::Interval;
  auto firstReading = [&](int block) {
    for (int slot = 0;; ++slot) {
      const std::uint32_t value = interval ? U32(At(image, block, IntervalGroup(slot, 1) + 8))
                                           : U32(At(image, block, HalfHourGroup(slot, 1) + 32));
      if (value != 0xFFFFFFFF) return value;
    }
  };
  EXPECT_LT(firstReading(40), firstReading(41));
}

TEST_P(SampleImageTest, WritesTheConfigurationBlock) {
  const std::vector<std::uint8_t>& image = DefaultImage(GetParam());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(At(image, 0, 132)), 12), "SG012345ABCD");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(At(image, 0, 120)), 4),
            GetParam() == SampleLayout::HalfHour ? "1.02" : "2.00");

  auto entry = [&](int position) { return At(image, 0, 188 + 36 * (position - 1)); };
  EXPECT_TRUE(std::isupper(entry(1)[4]));                         // maker letter
  EXPECT_GE(U16(entry(1) + 6), 2000u);                            // four-digit year
  EXPECT_LT(U16(entry(2) + 6), 100u);                             // two-digit year
  EXPECT_EQ(std::memcmp(entry(2) + 28, "10\0\0\0\0\0\0", 8), 0);  // multiplier
  EXPECT_TRUE(std::all_of(entry(13), entry(16), [](std::uint8_t b) { return b == 0; }));
  EXPECT_TRUE(AllErased(entry(16), 36 * 25));
  // Tag 1 is テスト in Shift-JIS, zero-padded.
  const std::uint8_t* tag = At(image, 0, 1628);
  EXPECT_EQ(std::memcmp(tag, "\x83\x65\x83\x58\x83\x67\0\0", 8), 0);
}

INSTANTIATE_TEST_SUITE_P(Layouts, SampleImageTest,
                         ::testing::Values(SampleLayout::Interval, SampleLayout::HalfHour),
                         [](const auto& info) {
                           return info.param == SampleLayout::HalfHour ? "HalfHour" : "Interval";
                         });

TEST(SampleImage, RefusesOptionsItCannotMake) {
  struct Case {
    const char* Name;
    void (*Change)(SampleOptions&);
  };
  const Case cases[] = {
      {"30 February",
       [](SampleOptions& o) {
         o.FirstMonth = 2;
         o.FirstDay = 30;
       }},
      {"month 13", [](SampleOptions& o) { o.FirstMonth = 13; }},
      {"no days", [](SampleOptions& o) { o.Days = 0; }},
      {"past 2099",
       [](SampleOptions& o) {
         o.FirstYear = 99;
         o.Days = 40;
       }},
      {"41 meters", [](SampleOptions& o) { o.ConfiguredMeters = 41; }},
      {"13-character ID", [](SampleOptions& o) { o.DeviceId = "SG012345ABCDE"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    SampleOptions options;
    c.Change(options);
    std::string problem;
    EXPECT_FALSE(CheckSampleOptions(options, &problem));
    EXPECT_FALSE(problem.empty());
    EXPECT_TRUE(MakeSampleImage(options).empty());
    EXPECT_FALSE(WriteSampleImage(options, ::testing::TempDir() + "refused.nmd"));
  }
}

// The decoder of the dump reads the file as the sample means it.
TEST(SampleImage, WrittenFileDecodesThroughTheCatalogue) {
  SampleOptions options = Defaults(SampleLayout::Interval);
  options.DeviceId = "GW1";
  const std::filesystem::path path = ::testing::TempDir() + "sample_read.nmd";
  ASSERT_TRUE(WriteSampleImage(options, path));
  EXPECT_EQ(std::filesystem::file_size(path), 64u * BlockSize);

  dump::Dump dump;
  dump.PrepareCatalog(dump::ConfigSchemaId);
  ASSERT_TRUE(dump.LoadBlock(path, 0));
  EXPECT_EQ(dump.GetFieldText(32).str(), "2.00");
  EXPECT_EQ(dump.GetFieldText(41).str(), "GW1");
  EXPECT_EQ(dump.GetFieldText(86 + 9).str(), "1");  // multiplier of meter 1

  dump.PrepareCatalog(dump::IntervalSchemaId);
  ASSERT_TRUE(dump.LoadBlock(path, 62));
  EXPECT_EQ(dump.GetFieldText(2).str() + "-" + dump.GetFieldText(3).str() + "-" + dump.GetFieldText(4).str(),
            "12-12-31");
  EXPECT_EQ(dump.GetFieldText(38691).str(), "23");  // slot 95: 23:45, saved
  EXPECT_EQ(dump.GetFieldText(38692).str(), "45");
  EXPECT_EQ(dump.GetFieldText(38693).str(), "0");
  EXPECT_EQ(dump.GetFieldText(6 + 10 * 39).str(), "65535");  // meter 40 is not configured
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace varkelo::tools
