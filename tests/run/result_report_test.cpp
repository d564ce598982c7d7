#include "run/result_report.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "temp_folder.hpp"

using namespace varkelo::run;

namespace {

// The report lines in code page 932, as they must stand in "error.txt".
TEST(ResultReport, OneLinePerResultCode) {
  const struct {
    std::int32_t code;
    std::string bytes;
  } cases[] = {
      {1, "\x90\xAC\x8C\xF7"},  // 成功
      {2,
       "IP\x83\x41\x83\x68\x83\x8C\x83\x58\x82\xC9\x81\x41\x88\xD9\x8F\xED\x82\xC8\x92\x6C\x82\xAA\x8A\xDC"
       "\x82"
       "\xDC\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81\x42"},
      {3,
       "\x81\x75"
       "192.0.2.10\x81\x76\x82\xCC\x83\x58\x83\x7D\x81\x5B\x83\x67\x83\x51\x81\x5B\x83\x67\x83\x45"
       "\x83\x46\x83\x43\x82\xCC\x90\xDA\x91\xB1\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81"
       "\x42"},
      {4,
       "\x81\x75"
       "192.0.2.10\x81\x76\x82\xCC\x83\x58\x83\x7D\x81\x5B\x83\x67\x83\x51\x81\x5B\x83\x67\x83\x45"
       "\x83\x46\x83\x43\x82\xC6\x82\xCC\x90\xDA\x91\xB1\x82\xAA\x83\x5E\x83\x43\x83\x80\x83\x41\x83\x45\x83"
       "\x67"
       "\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42"},
      {5,
       "CSV\x82\xCC\x8D\xEC\x90\xAC\x92\x86\x82\xC9\x83\x47\x83\x89\x81\x5B\x82\xAA\x94\xAD\x90\xB6\x82\xB5"
       "\x82"
       "\xDC\x82\xB5\x82\xBD\x81\x42"},
      {0, "\x88\xD9\x8F\xED"},  // 異常
      {6, "\x88\xD9\x8F\xED"},
      {-1, "\x88\xD9\x8F\xED"},
  };
  for (const auto& c : cases) {
    TempFolder temp;
    WriteResultReport(temp.path(), c.code, "192.0.2.10");
    EXPECT_EQ(ReadFileBytes(temp.path() / "error.txt"), c.bytes + "\r\n") << c.code;
  }
}

TEST(ResultReport, InvalidAddressLineCarriesNoAddress) {
  EXPECT_EQ(ResultReportLine(2, "10.0.0.x").find("10.0.0.x"), std::string::npos);
  EXPECT_EQ(ResultReportLine(3, "10.1.2.3"), "「10.1.2.3」のスマートゲートウェイの接続に失敗しました。");
}

TEST(ResultReport, SecondRunOverwritesTheFirst) {
  TempFolder temp;
  WriteResultReport(temp.path(), 4, "192.0.2.10");
  WriteResultReport(temp.path(), 1, "192.0.2.10");
  EXPECT_EQ(ReadFileBytes(temp.path() / "error.txt"), "\x90\xAC\x8C\xF7\r\n");
}

TEST(ResultReport, UnwritableFolderIsIgnored) {
  TempFolder temp;
  const auto missing = temp.path() / "no" / "such" / "folder";
  WriteResultReport(missing, 1, "");
  EXPECT_FALSE(std::filesystem::exists(missing / "error.txt"));
  // A folder standing where the file should be: the write fails quietly.
  std::filesystem::create_directory(temp.path() / "error.txt");
  WriteResultReport(temp.path(), 1, "");
  EXPECT_TRUE(std::filesystem::is_directory(temp.path() / "error.txt"));
}

}  // namespace
