#include "export/output_paths.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace varkelo::exporting;

TEST(OutputPaths, DayFoldersAndFilesFollowTheSectorDate) {
  const fs::path gateway = "GW";
  EXPECT_EQ(DayFile(gateway, 12, 5, 3), gateway / "201205" / "20120503.csv");
  EXPECT_EQ(DayFile(gateway, 5, 11, 9), gateway / "200511" / "20051109.csv");
  EXPECT_EQ(DayFolder(gateway, 0, 12), gateway / "200012");
  for (const auto& [year, text] : {std::pair{0, "2000"}, {5, "2005"}, {123, "2123"}, {255, "2255"}}) {
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
