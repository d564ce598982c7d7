#include "export/output_paths.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "file_hazards.hpp"
#include "temp_folder.hpp"

namespace fs = std::filesystem;
using namespace varkelo::exporting;

TEST(OutputPaths, NamesFollowTheSectorDate) {
  const fs::path gateway = fs::path("app") / "ABCDEFGH";
  EXPECT_EQ(GatewayFolder("app", "ABCDEFGH1234"), gateway);
  EXPECT_EQ(DayFolder(gateway, 12, 5), gateway / "201205");
  EXPECT_EQ(DayFile(gateway, 12, 5, 3), gateway / "201205" / "20120503.csv");
  EXPECT_EQ(DayFile(gateway, 5, 1, 9), gateway / "200501" / "20050109.csv");
  EXPECT_EQ(DayFile(gateway, 12, 12, 31), gateway / "201212" / "20121231.csv");
  for (const auto& [year, text] :
       {std::pair{0, "2000"}, {5, "2005"}, {12, "2012"}, {123, "2123"}, {255, "2255"}}) {
    EXPECT_EQ(YearText(year), text);
  }
}

TEST(OutputPaths, GatewayFolderIsEightCharactersOfTheIdAlwaysInsideTheApplicationFolder) {
  const std::string erased8 = "\uF8F3\uF8F3\uF8F3\uF8F3\uF8F3\uF8F3\uF8F3\uF8F3";
  const struct {
    std::string id;
    std::string name;
  } cases[] = {
      {"ABCDEFGH1234", "ABCDEFGH"},
      {"SG-01_x", "SG-01_x"},
      {"", ""},
      // Half-width katakana and the erased-byte character count as one character each.
      {"ｱｲｳｴｵｶｷｸｹｺ", "ｱｲｳｴｵｶｷｸ"},
      {erased8 + "\uF8F3", erased8},
      {"../x", ".._x"},
      {"a/b", "a_b"},
      {"..", "__"},
      {".", "_"},
      {"C:\\", "C__"},
      {"a*b?c\"d<", "a_b_c_d_"},
      {"x>y|z\t", "x_y_z_"},
      {"\xC2\x80x", "_x"},
  };
  const fs::path app = "/srv/app";
  for (const auto& c : cases) {
    EXPECT_EQ(GatewayFolderName(c.id), c.name) << c.id;
    EXPECT_EQ(GatewayFolder(app, c.id).lexically_normal().parent_path(), app) << c.id;
  }
}

TEST(OutputPaths, GatewayFolderNameIsAValidWindowsName) {
  const struct {
    const char* id;
    const char* name;
  } cases[] = {
      {"NUL", "_NUL"},         {"con.1", "_con.1"},    {"CON.", "CON_"},          {"Aux", "_Aux"},
      {"prn  .x", "_prn  .x"}, {"COM1", "_COM1"},      {"lpt9.abc", "_lpt9.abc"}, {"COM0", "COM0"},
      {"COM10", "COM10"},      {"CONSOLE", "CONSOLE"}, {"NUL ", "NUL_"},          {"AB. ", "AB._"},
      {"AB.", "AB_"},          {"x.NUL", "x.NUL"},     {"NUL_X", "NUL_X"},
  };
  for (const auto& c : cases) EXPECT_EQ(GatewayFolderName(c.id), c.name) << c.id;
}

TEST(OutputPaths, FolderHelpersAnswerAndCreate) {
  TempFolder temp;
  const fs::path folder = temp.path() / "GW";
  EXPECT_FALSE(FolderExists(folder));
  EXPECT_TRUE(EnsureFolder(folder));
  EXPECT_TRUE(FolderExists(folder));
  EXPECT_TRUE(EnsureFolder(folder));  // reused, not an error
  EXPECT_FALSE(CreateFolder(temp.path() / "missing" / "child"));

  const fs::path file = folder / "f.csv";
  EXPECT_FALSE(FileExists(file));
  std::ofstream(file) << "x";
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FolderExists(file));
  EXPECT_FALSE(EnsureFolder(file));  // a file stands where the folder should be
  EXPECT_FALSE(FileExists(folder));
  // A link is neither, wherever it leads.
  MakeLink(folder, temp.path() / "folder-link");
  MakeLink(file, temp.path() / "file-link");
  EXPECT_FALSE(EnsureFolder(temp.path() / "folder-link"));
  EXPECT_FALSE(FileExists(temp.path() / "file-link"));
}
