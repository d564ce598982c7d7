#include "page/gateway_tree.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>

#include "csv/csv_format.hpp"
#include "page/page_html.hpp"
#include "temp_folder.hpp"
#include "text/cp932.hpp"

using namespace varkelo;
using page::NoValue;

namespace {

constexpr std::string_view DayHeader = csv::DayFileHeader;

std::string Cp932(std::string_view utf8) {
  std::string bytes;
  EXPECT_TRUE(text::EncodeCp932(utf8, bytes));
  return bytes;
}

// A day file whose row (h, m) is `row(h, m)`, every other line as the export writes it.
std::string DayFile(const std::function<std::string(int, int)>& row = nullptr,
                    std::string_view header = DayHeader) {
  std::string file = Cp932(header) + "\r\n";
  for (int h = 0; h < page::HalfHours; ++h) {
    for (int m = 1; m <= page::MeterPositions; ++m) {
      std::string line = row ? row(h, m) : "";
      if (line.empty())
        line = std::to_string(m) + ",13,1,5,0,0,0," + std::to_string(h * 100 + m) + ",0,0,0,9,0,0,0,1";
      file += line + "\r\n";
    }
  }
  return file;
}

TEST(DayFileReadingTest, ValuesGapsAndMultiplierOfEachPosition) {
  const std::string file = DayFile([](int h, int m) -> std::string {
    if (m == 3 && h == 7) return "3,13,1,5,3,30,0,-,0,0,0,-,0,0,0,-";     // a gap
    if (m == 4 && h == 0) return "4,13,1,5,0,0,0,12,0,0,0,-,0,0,0,-";     // multiplier later
    if (m == 4 && h == 1) return "4,13,1,5,0,30,0,x1,0,0,0,-,0,0,0,0.5";  // not a number
    if (m == 5)
      return "9,13,1,5,0,0,0," + std::to_string(4294967294 - h) + ",0,0,0,1,0,0,0,";  // empty multiplier
    return "";
  });
  const auto read = page::ReadDayFile(file, {2013, 1, 5});
  ASSERT_TRUE(read) << platform::ErrorText(read.Reason().error);
  const page::DayValues& day = *read;
  EXPECT_EQ(day.kind, page::DayFileKind::Day);
  EXPECT_EQ(day.meters[0].consumption[47], 4701);
  EXPECT_EQ(day.meters[2].consumption[7], NoValue);
  EXPECT_EQ(day.meters[2].consumption[8], 803);
  EXPECT_EQ(day.meters[3].consumption[0], 12);
  EXPECT_EQ(day.meters[3].consumption[1], NoValue);
  EXPECT_EQ(day.meters[3].multiplier, "0.5");
  // Position, not the stored ID, names the meter.
  EXPECT_EQ(day.meters[4].consumption[2], 4294967292);
  EXPECT_EQ(day.meters[4].multiplier, "");
  EXPECT_EQ(day.meters[0].multiplier, "1");
}

TEST(DayFileReadingTest, StartFile) {
  std::string startHeader(DayHeader);
  for (std::size_t at; (at = startHeader.find("30分使用電力量")) != std::string::npos;)
    startHeader.replace(at, std::string_view("30分使用電力量").size(), "区間使用電力量");
  const std::string file = DayFile(
      [](int h, int m) -> std::string {
        if (h > 0) return "-,-,-,-,-,-,-,-,-,-,-,-,-,-,-,-";
        return std::to_string(m) + ",13,1,6,0,0,1,-,-,-,-,100,-,5,7,10";
      },
      startHeader);
  const auto read = page::ReadDayFile(file, {2013, 1, 6});
  ASSERT_TRUE(read) << platform::ErrorText(read.Reason().error);
  EXPECT_EQ(read->kind, page::DayFileKind::NextDayStart);
  EXPECT_EQ(read->meters[0].consumption[0], NoValue);
  EXPECT_EQ(read->meters[0].multiplier, "10");
}

TEST(MeterListReadingTest, WholeListOrReason) {
  std::string list = "収集ID,計器情報\r\n";
  for (int m = 1; m <= 40; ++m)
    list += std::to_string(m) + (m == 2 ? ",<b>&-2007-3P3W-\uF8F3\r\n" : ",-2000-****-**********\r\n");
  const auto read = page::ReadMeterList(Cp932(list));
  ASSERT_TRUE(read) << platform::ErrorText(read.Reason().error);
  EXPECT_EQ((*read)[1], "<b>&-2007-3P3W-\uF8F3");
  EXPECT_EQ((*read)[39], "-2000-****-**********");

  std::string renumbered = list;
  renumbered.replace(renumbered.find("\r\n3,"), 4, "\r\n4,");
  for (const std::string& bytes :
       {Cp932(renumbered), Cp932(list.substr(0, list.size() - 23)), std::string("x\r\n")}) {
    EXPECT_FALSE(page::ReadMeterList(bytes));
  }
}

// Odd entries and their reasons are in the end-to-end test of the page; here their order.
TEST(GatewayTreeTest, DaysAndSkippedEntriesInOrder) {
  TempFolder temp;
  const std::filesystem::path gateway = temp.Path() / "SG012345";
  for (const char* file : {"201302/20130201.csv", "201301/20130131.csv", "201302/notes.txt", "ID.csv"}) {
    std::filesystem::create_directories((gateway / file).parent_path());
    std::ofstream(gateway / file, std::ios::binary) << DayFile();
  }
  const page::GatewayTree tree = page::ReadGatewayTree(gateway, "report.html");
  EXPECT_EQ(tree.folderName, "SG012345");
  ASSERT_EQ(tree.days.size(), 2u);
  EXPECT_EQ(tree.days[0].date, (page::CalendarDay{2013, 1, 31}));
  EXPECT_EQ(tree.days[1].date, (page::CalendarDay{2013, 2, 1}));
  ASSERT_EQ(tree.skipped.size(), 2u);
  EXPECT_EQ(tree.skipped[0].path + " " + tree.skipped[1].path, "201302/notes.txt ID.csv");
}

// Texts from the files (meter information, file names, multipliers) never
// become markup or end the script's data; erased text is named, not shown as boxes.
TEST(PageHtmlTest, TextsFromTheFilesStayText) {
  page::GatewayTree tree;
  tree.folderName = "G<1>";
  tree.meterInfo.assign(page::MeterPositions, "<script>alert(1)</script>");
  tree.meterInfo[1] = "*-****-\uF8F3\uF8F3-x\uF8F3";
  tree.skipped.push_back({"201301/<img src=x>.csv", "r"});
  page::DayValues day;
  day.date = {2013, 1, 5};
  day.meters[0].consumption.fill(5);
  day.meters[0].multiplier = "</script>\"\\";
  tree.days.push_back(day);
  const std::string html = page::GatewayPageHtml(tree, {});
  EXPECT_EQ(html.find("<img"), std::string::npos);
  EXPECT_EQ(html.find("<script>alert"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(html.find(R"("\u003c/script\u003e\"\\")"), std::string::npos);
  EXPECT_EQ(html.find("\uF8F3"), std::string::npos);
  EXPECT_NE(html.find("*-****-<span class=\"erased\">未登録</span>-x<span class=\"erased\">未登録</span>"),
            std::string::npos);
  // The page's own two script elements, nothing else closed.
  std::size_t closes = 0;
  for (std::size_t at = 0; (at = html.find("</script>", at)) != std::string::npos; ++at) ++closes;
  EXPECT_EQ(closes, 2u);
}

}  // namespace

// Three years of 40 meters: the oldest days are summed so that the page stays within 2 MB.
TEST(PageHtmlTest, ThreeYearsWithin2MB) {
  page::GatewayTree tree;
  page::DayValues day;
  for (std::size_t d = 0; d < 1096; ++d) {
    const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::year{2012} / 1 / 1} +
                                           std::chrono::days{d}};
    day.date = {int(date.year()), int(unsigned(date.month())), int(unsigned(date.day()))};
    for (std::size_t m = 0; m < day.meters.size(); ++m) {
      for (std::size_t h = 0; h < page::HalfHours; ++h)
        day.meters[m].consumption[h] = std::int64_t(40 + (d * 7 + m * 13 + h * 29) % 220);
      day.meters[m].multiplier = "1";
    }
    tree.days.push_back(day);
  }
  const std::string html = page::GatewayPageHtml(tree, {});
  EXPECT_LE(html.size(), 2'000'000u);
  EXPECT_NE(html.find(R"({"d":"2012-01-01","s":0,"t":[[1,"1",48,)"), std::string::npos);
  EXPECT_NE(html.find(R"({"d":"2014-12-31","s":0,"m":[[1,"1",")"), std::string::npos);
}
