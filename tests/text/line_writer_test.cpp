#include "text/line_writer.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "text/cp932.hpp"

namespace varkelo::text {
namespace {

namespace fs = std::filesystem;

class LineWriterTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::path(testing::TempDir()) /
              ("line_writer_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  static std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path folder_;
};

TEST_F(LineWriterTest, WritesCodePage932LinesEndingInCrLfAndReplacesTheFile) {
  const fs::path path = folder_ / "ID.csv";
  std::ofstream(path) << std::string(500, 'x');
  LineWriter writer;
  ASSERT_TRUE(writer.Open(path));
  EXPECT_TRUE(writer.WriteLine("収集ID,計器情報"));
  EXPECT_TRUE(writer.WriteLine("1,*-" + std::string(ErasedByteChar) + std::string(ErasedByteChar)));
  EXPECT_TRUE(writer.WriteLine(""));
  EXPECT_TRUE(writer.Close());
  EXPECT_FALSE(writer.IsOpen());
  EXPECT_EQ(ReadFile(path),
            "\x8E\xFB\x8F\x57ID,\x8C\x76\x8A\xED\x8F\xEE\x95\xF1\r\n"
            "1,*-\xFF\xFF\r\n"
            "\r\n");
}

TEST_F(LineWriterTest, ALineThatCannotBeEncodedLeavesNothingOfItselfAndFailsTheWriter) {
  const fs::path path = folder_ / "day.csv";
  LineWriter writer;
  ASSERT_TRUE(writer.Open(path));
  EXPECT_TRUE(writer.WriteLine("a,1"));
  EXPECT_FALSE(writer.WriteLine("b,caf\u00E9"));
  EXPECT_FALSE(writer.WriteLine("c,2"));
  EXPECT_FALSE(writer.Close());
  EXPECT_EQ(ReadFile(path), "a,1\r\n");
}

TEST_F(LineWriterTest, KeepsEveryLineAcrossManyBufferFlushes) {
  const fs::path path = folder_ / "big.csv";
  const std::string line = "2013/04/01,00:30," + std::string(60, '9') + ",テスト";
  LineWriter writer;
  ASSERT_TRUE(writer.Open(path));
  for (int i = 0; i < 5000; ++i) ASSERT_TRUE(writer.WriteLine(line));
  ASSERT_TRUE(writer.Close());

  std::string one;
  ASSERT_TRUE(EncodeCp932(line, one));
  one += "\r\n";
  std::string expected;
  for (int i = 0; i < 5000; ++i) expected += one;
  EXPECT_EQ(ReadFile(path), expected);
}

TEST_F(LineWriterTest, ReportsFilesThatCannotBeOpenedOrWritten) {
  LineWriter missing;
  EXPECT_FALSE(missing.Open(folder_ / "no such folder" / "ID.csv"));
  EXPECT_FALSE(missing.WriteLine("x"));
  EXPECT_FALSE(missing.Close());

  // A device that refuses every write: the buffered line fails at Close.
  LineWriter full;
  ASSERT_TRUE(full.Open("/dev/full"));
  EXPECT_TRUE(full.WriteLine("x"));
  EXPECT_FALSE(full.Close());

  // Past the buffer's size the failure shows at the line that would be written after it.
  ASSERT_TRUE(full.Open("/dev/full"));
  bool failed = false;
  for (int i = 0; i < 10000 && !failed; ++i) failed = !full.WriteLine(std::string(99, 'y'));
  EXPECT_TRUE(failed);
  EXPECT_FALSE(full.WriteLine("z"));
  EXPECT_FALSE(full.Close());
}

}  // namespace
}  // namespace varkelo::text
