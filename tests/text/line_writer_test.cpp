#include "text/line_writer.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "file_hazards.hpp"
#include "temp_folder.hpp"
#include "text/cp932.hpp"

namespace varkelo::text {
namespace {

namespace fs = std::filesystem;

// The lines' bytes, and files replaced when closed, are in the sample exports
// and the export's tests; here what must leave the old file as it was.
TEST(LineWriterTest, AFileNotWrittenWholeLeavesTheOldOneAndNoTemporaryFile) {
  const bool sizeLimits = FileSizeLimit(1'000'000'000).Active();
  const struct {
    const char* name;
    std::function<platform::Status(LineWriter&)> fail;  // the last call's status
    std::errc reason;                                   // the last call's, std::errc{} when it succeeded
  } cases[] = {
      {"a line that cannot be encoded",
       [](LineWriter& writer) {
         EXPECT_TRUE(writer.WriteLine("a,1"));
         EXPECT_FALSE(writer.WriteLine("b,caf\u00E9"));
         EXPECT_FALSE(writer.WriteLine("c,2"));
         return writer.Close();
       },
       std::errc::illegal_byte_sequence},
      {"a write failing half-way",
       [](LineWriter& writer) {
         const FileSizeLimit limit(100'000);
         if (!limit.Active()) return writer.WriteLine("\u00E9");  // no such limit on this system
         bool failed = false;
         for (int i = 0; i < 10000 && !failed; ++i) failed = !writer.WriteLine(std::string(99, 'y'));
         EXPECT_TRUE(failed);
         return writer.Close();
       },
       sizeLimits ? std::errc::file_too_large : std::errc::illegal_byte_sequence},
      {"destroyed without Close", [](LineWriter& writer) { return writer.WriteLine("a,1"); }, std::errc{}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    const fs::path path = temp.Path() / "day.csv";
    std::ofstream(path, std::ios::binary) << "old\r\n";
    {
      LineWriter writer;
      ASSERT_TRUE(writer.Open(path));
      const platform::Status last = c.fail(writer);
      const std::error_code error = last.Reason().error;
      EXPECT_TRUE(c.reason == std::errc{} ? !error : error == c.reason) << error.message();
      if (!last) {
        EXPECT_EQ(last.Reason().Describe().find("cannot write " + path.string() + ": "), 0u);
      }
    }
    EXPECT_EQ(ReadFileBytes(path), "old\r\n");
    EXPECT_TRUE(TemporaryFilesUnder(temp.Path()).empty());
  }

  LineWriter missing;
  const platform::Status opened = missing.Open("no such folder/ID.csv");
  EXPECT_EQ(opened.Reason().Describe().find("cannot write no such folder/ID.csv: "), 0u);
  EXPECT_FALSE(missing.WriteLine("x"));
  EXPECT_FALSE(missing.Close());
}

// An unchanged file is kept, flushed where it stands. Where another program
// holds it open letting others only read it (Windows), the writer can neither
// flush nor replace it, and says so rather than vouch for it.
TEST(LineWriterTest, AnUnchangedFileIsKeptEvenWhereAReaderKeepsWritersOut) {
  TempFolder temp;
  const fs::path path = temp.Path() / "day.csv";
  std::ofstream(path, std::ios::binary) << "a,1\r\n";
  const fs::file_time_type written = fs::last_write_time(path);
  const ReadOnlySharingReader reader(path);
  LineWriter writer;
  ASSERT_TRUE(writer.Open(path));
  ASSERT_TRUE(writer.WriteLine("a,1"));
  const platform::Status closed = writer.Close();
  EXPECT_TRUE(closed) << closed.Reason().Describe();
  EXPECT_EQ(fs::last_write_time(path), written);
  EXPECT_EQ(ReadFileBytes(path), "a,1\r\n");
  EXPECT_TRUE(TemporaryFilesUnder(temp.Path()).empty());
}

}  // namespace
}  // namespace varkelo::text
