// The gateway folders of a fleet folder, and the shards that split them
// among machines: disjoint, together the whole fleet, and the same on every
// machine.

#include "run/fleet_folders.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "file_hazards.hpp"
#include "temp_folder.hpp"

using namespace varkelo::run;
namespace fs = std::filesystem;

TEST(FleetFolders, GatewayFoldersAndTheirShards) {
  TempFolder temp;
  EXPECT_FALSE(FindGatewayFolders(temp.Path() / "missing"));
  EXPECT_FALSE(FindGatewayFolders(temp.Path()));  // no gateway folder
  std::set<fs::path> all;
  for (int i = 0; i < 60; ++i) {
    const fs::path gateway = temp.Path() / ("gw" + std::to_string(i));
    fs::create_directory(gateway);
    std::ofstream(gateway / "System.ini") << "[System]\r\nAddress=10.0.0.1\r\n";
    all.insert(gateway);
  }
  fs::create_directory(temp.Path() / "notes");
  std::ofstream(temp.Path() / "System.ini") << "";
  MakeLink(temp.Path() / "gw0", temp.Path() / "linked");

  const auto whole = FindGatewayFolders(temp.Path());
  ASSERT_TRUE(whole);
  EXPECT_EQ(std::set<fs::path>(whole->gateways.begin(), whole->gateways.end()), all);
  EXPECT_TRUE(std::is_sorted(whole->gateways.begin(), whole->gateways.end()));
  // A Windows test program makes a plain file in the link's place (MakeLink), which is no entry to report.
  const bool linkMade = fs::is_symlink(temp.Path() / "linked");
  EXPECT_EQ(whole->links, linkMade ? std::vector<fs::path>{temp.Path() / "linked"} : std::vector<fs::path>{});

  std::set<fs::path> seen;
  for (std::uint32_t index = 0; index < 4; ++index) {
    const auto shard = FindGatewayFolders(temp.Path(), {.index = index, .count = 4});
    ASSERT_TRUE(shard);
    EXPECT_GT(shard->gateways.size(), 5u);  // the hash spreads the names
    for (const fs::path& gateway : shard->gateways) EXPECT_TRUE(seen.insert(gateway).second) << gateway;
  }
  EXPECT_EQ(seen, all);
  // 32-bit FNV-1a: its published values, so every machine agrees.
  EXPECT_EQ(ShardOf("", 0xFFFFFFFF), 0x811c9dc5u % 0xFFFFFFFF);
  EXPECT_EQ(ShardOf("a", 0xFFFFFFFF), 0xe40c292cu);
  EXPECT_EQ(ShardOf("foobar", 0xFFFFFFFF), 0xbf9cf968u);
}
