#include "export/output_paths.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace fs = std::filesystem;
using namespace varkelo::exporting;

using NameCase = std::pair<std::string, std::string>;  // device ID, folder name

// Day folder and file names are in the sample exports, the century's turn in the next-day start tests.
TEST(OutputPaths, GatewayFolderIsEightCharactersOfTheIdValidOnWindowsAndInsideTheApplicationFolder) {
  const std::string erased8 = "\uF8F3\uF8F3\uF8F3\uF8F3\uF8F3\uF8F3\uF8F3\uF8F3";
  const std::vector<NameCase> cases = {
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
  // Device names, a last dot or space.
  const std::vector<NameCase> windows = {
      {"NUL", "_NUL"},         {"con.1", "_con.1"},    {"CON.", "CON_"},          {"Aux", "_Aux"},
      {"prn  .x", "_prn  .x"}, {"COM1", "_COM1"},      {"lpt9.abc", "_lpt9.abc"}, {"COM0", "COM0"},
      {"COM10", "COM10"},      {"CONSOLE", "CONSOLE"}, {"NUL ", "NUL_"},          {"AB. ", "AB._"},
      {"AB.", "AB_"},          {"x.NUL", "x.NUL"},     {"NUL_X", "NUL_X"},
  };
  const fs::path app = "/srv/app";
  for (const auto& table : {cases, windows}) {
    for (const auto& [id, name] : table) {
      EXPECT_EQ(GatewayFolderName(id), name) << id;
      EXPECT_EQ(GatewayFolder(app, id).lexically_normal().parent_path(), app) << id;
    }
  }
}
