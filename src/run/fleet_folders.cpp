#include "run/fleet_folders.hpp"

#include <algorithm>
#include <system_error>

#include "platform/files.hpp"
#include "platform/utf8_path.hpp"

namespace varkelo::run {

platform::Result<FleetFolders> FindGatewayFolders(const std::filesystem::path& fleetFolder) {
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
  std::sort(found.gateways.begin(), found.gateways.end());
  std::sort(found.links.begin(), found.links.end());
  return found;
}

}  // namespace varkelo::run
