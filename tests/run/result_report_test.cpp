#include "run/result_report.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "file_hazards.hpp"
#include "temp_folder.hpp"

using namespace varkelo::run;

namespace {

TEST(ResultReport, ReportNotWrittenIsToldAndLeavesWhatStoodThere) {
  TempFolder temp;
  EXPECT_FALSE(WriteResultReport(temp.Path() / "no" / "such" / "folder", RunOutcome::Success, ""));
  const std::filesystem::path outside = temp.Path() / "outside";
  std::ofstream(outside) << "old";
  const auto report = [](const std::filesystem::path& app) { return app / "error.txt"; };
  for (const char* app : {"link", "fifo", "folder"}) std::filesystem::create_directory(temp.Path() / app);
  MakeLink(outside, report(temp.Path() / "link"));
  MakeFifo(report(temp.Path() / "fifo"));
  std::filesystem::create_directory(report(temp.Path() / "folder"));
  for (const char* app : {"link", "fifo", "folder"}) {
    EXPECT_FALSE(WriteResultReport(temp.Path() / app, RunOutcome::Success, "")) << app;
    EXPECT_FALSE(
        std::filesystem::is_regular_file(std::filesystem::symlink_status(report(temp.Path() / app))));
  }
  EXPECT_EQ(ReadFileBytes(outside), "old");
  EXPECT_TRUE(TemporaryFilesUnder(temp.Path()).empty());
}

}  // namespace
