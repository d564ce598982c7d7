#include "run/fleet_folders.hpp"

#include <algorithm>
#include <system_error>

#include "platform/files.hpp"
#include "platform/utf8_path.hpp"

namespace varkelo::run {

std::uint32_t ShardOf(std::string_view name, std::uint32_t count) {
  std::uint32_t hash = 2166136261u;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return count == 0 ? 0 : hash % count;
}

platform::Result<FleetFolders> FindGatewayFolders(const std::filesystem::path& fleetFolder, Shard shard) {
  const std::string subject = platform::Utf8FromPath(fleetFolder);
  if (platform::KindOfEntry(fleetFolder) != platform::EntryKind::Folder) {
    return platform::Failure{.what = "no fleet folder at",
                             .subject = subject,
                             .error = std::make_error_code(std::filesystem::exists(fleetFolder)
                                                               ? std::errc::not_a_directory
                                                               : std::errc::no_such_file_or_directory)};
  }
  FleetFolders found;
  std::error_code error;
  for (std::filesystem::directory_iterator entry(fleetFolder, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::filesystem::path& path = entry->path();
    std::error_code ignored;
    if (!std::filesystem::exists(path / "System.ini", ignored)) continue;
    if (platform::KindOfEntry(path) == platform::EntryKind::Folder) {
      found.gateways.push_back(path);
    } else if (entry->is_symlink(ignored)) {
      found.links.push_back(path);
    }
  }
  if (error)
    return platform::Failure{.what = "cannot list the fleet folder", .subject = subject, .error = error};
  if (found.gateways.empty()) {
    return platform::Failure{
        .what = "no gateway folder (a folder holding System.ini) in", .subject = subject, .error = {}};
  }
  for (auto* paths : {&found.gateways, &found.links}) {
    std::erase_if(*paths, [shard](const std::filesystem::path& path) {
      return ShardOf(platform::Utf8FromPath(path.filename()), shard.count) != shard.index;
    });
    std::sort(paths->begin(), paths->end());
  }
  return found;
}

}  // namespace varkelo::run
