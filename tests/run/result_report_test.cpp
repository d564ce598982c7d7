#include "run/result_report.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <string_view>

#include "file_hazards.hpp"
#include "temp_folder.hpp"
#include "text/cp932.hpp"

using namespace varkelo::run;

namespace {

// The line, result code and exit status of each outcome; the line in code
// page 932 and ending in CR LF.
TEST(ResultReport, OneLineCodeAndExitStatusPerOutcome) {
  const struct {
    RunOutcome outcome;
    std::int32_t code;
    int exitStatus;
    std::string_view line;
  } cases[] = {
      {RunOutcome::NoResponse, 4, 4, "「192.0.2.10」のスマートゲートウェイとの接続がタイムアウトしました。"},
      {RunOutcome::Success, 1, 0, "成功"},
      {RunOutcome::InvalidAddress, 2, 2, "IPアドレスに、異常な値が含まれています。"},  // without the address
      {RunOutcome::NoConnection, 3, 3, "「192.0.2.10」のスマートゲートウェイの接続に失敗しました。"},
      {RunOutcome::CsvError, 5, 5, "CSVの作成中にエラーが発生しました。"},
      {RunOutcome::None, 0, 6, "異常"},
  };
  // One folder for all: each report replaces the one before.
  TempFolder temp;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(ResultCodeOf(c.outcome), c.code);
    EXPECT_EQ(ExitStatusOf(c.outcome), c.exitStatus);
    EXPECT_TRUE(WriteResultReport(temp.path(), c.outcome, "192.0.2.10"));
    std::string line;
    ASSERT_TRUE(varkelo::text::EncodeCp932(std::string(c.line) + "\r\n", line));
    EXPECT_EQ(ReadFileBytes(temp.path() / "error.txt"), line);
  }
}

TEST(ResultReport, ReportNotWrittenIsToldAndLeavesWhatStoodThere) {
  TempFolder temp;
  EXPECT_FALSE(WriteResultReport(temp.path() / "no" / "such" / "folder", RunOutcome::Success, ""));
  const std::filesystem::path outside = temp.path() / "outside";
  std::ofstream(outside) << "old";
  const auto report = [](const std::filesystem::path& app) { return app / "error.txt"; };
  for (const char* app : {"link", "fifo", "folder"}) std::filesystem::create_directory(temp.path() / app);
  MakeLink(outside, report(temp.path() / "link"));
  MakeFifo(report(temp.path() / "fifo"));
  std::filesystem::create_directory(report(temp.path() / "folder"));
  for (const char* app : {"link", "fifo", "folder"}) {
    EXPECT_FALSE(WriteResultReport(temp.path() / app, RunOutcome::Success, "")) << app;
    EXPECT_FALSE(
        std::filesystem::is_regular_file(std::filesystem::symlink_status(report(temp.path() / app))));
  }
  EXPECT_EQ(ReadFileBytes(outside), "old");
  EXPECT_TRUE(TemporaryFilesUnder(temp.path()).empty());
}

}  // namespace
