#pragma once

// Names of the output tree under the application folder: one folder per
// gateway, in it one folder per month and one CSV file per day; and the three
// file-system questions the export asks.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "export/sector_day.hpp"
#include "platform/failure.hpp"

namespace varkelo::exporting {

// The folder name made of the first eight characters of the gateway's device
// ID. The ID comes from the gateway's memory, so every character a folder name
// may not hold (/ \ : * ? " < > | and control characters) becomes "_", and a
// name made only of dots becomes as many "_": the folder always lies directly
// inside the application folder. So that Windows and Linux make the same tree,
// a last dot or space becomes "_", and a name Windows keeps for a device (CON,
// PRN, AUX, NUL, COM1-9, LPT1-9 before the first dot, in any case) gets "_" in
// front. An empty ID gives an empty name.
std::string GatewayFolderName(std::string_view deviceIdText);

// The application folder joined with GatewayFolderName.
std::filesystem::path GatewayFolder(const std::filesystem::path& appFolder, std::string_view deviceIdText);

// GatewayFolder / the year with its century and the two-digit month, e.g.
// .../201205: of a day, or of the numbers a head holds, whether they form a
// date or not.
std::filesystem::path DayFolder(const std::filesystem::path& gatewayFolder, const SectorDay& day);
std::filesystem::path DayFolder(const std::filesystem::path& gatewayFolder, const SectorHead& head);

// DayFolder / year, month and day + ".csv", e.g. .../201205/20120503.csv.
std::filesystem::path DayFile(const std::filesystem::path& gatewayFolder, const SectorDay& day);

// A folder, or a regular file, stands at the path itself; a symbolic link,
// wherever it leads, is neither.
bool FolderExists(const std::filesystem::path& path);
bool FileExists(const std::filesystem::path& path);

// Creates that one folder; its parent must exist. Fails when it cannot be made.
platform::Status CreateFolder(const std::filesystem::path& path);

// Creates the folder when it is missing. Fails when it is missing and cannot
// be made, and when anything but a folder stands there (a link to a folder too).
platform::Status EnsureFolder(const std::filesystem::path& path);

}  // namespace varkelo::exporting
