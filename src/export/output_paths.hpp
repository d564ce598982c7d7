#pragma once

// Names of the output tree under the application folder: one folder per
// gateway, in it one folder per month and one CSV file per day; and the three
// file-system questions the export asks.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

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

// AppFolder joined with GatewayFolderName.
std::filesystem::path GatewayFolder(const std::filesystem::path& appFolder, std::string_view deviceIdText);

// "2" and the year byte as three digits: 5 gives "2005", 12 "2012", 123 "2123".
std::string YearText(std::int32_t year);

// GatewayFolder / YearText + two-digit month, e.g. .../201205.
std::filesystem::path DayFolder(const std::filesystem::path& gatewayFolder, std::int32_t year,
                                std::int32_t month);

// DayFolder / YearText + month + day + ".csv", e.g. .../201205/20120503.csv.
std::filesystem::path DayFile(const std::filesystem::path& gatewayFolder, std::int32_t year,
                              std::int32_t month, std::int32_t day);

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
