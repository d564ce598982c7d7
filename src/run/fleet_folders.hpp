#pragma once

// The gateway folders of a fleet folder: each direct subfolder that holds a
// "System.ini" is one gateway's application folder.

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "platform/failure.hpp"

namespace varkelo::run {

struct FleetFolders {
  // The gateway folders, in the order of their names.
  std::vector<std::filesystem::path> gateways;
  // Symbolic links to gateway folders: never followed, so never read.
  std::vector<std::filesystem::path> links;
};

// One of `count` machines or timers that share a fleet folder; index from 0.
struct Shard {
  std::uint32_t index = 0;
  std::uint32_t count = 1;
};

// The shard a gateway folder's name falls to: the 32-bit FNV-1a hash of the
// name's UTF-8 bytes, modulo count. Stable across machines, systems and
// versions, so shards never overlap.
std::uint32_t ShardOf(std::string_view name, std::uint32_t count);

// Fails when `fleetFolder` is not a folder that can be listed, or holds no
// gateway folder. Of those, only the ones of `shard` are given.
platform::Result<FleetFolders> FindGatewayFolders(const std::filesystem::path& fleetFolder, Shard shard = {});

}  // namespace varkelo::run
