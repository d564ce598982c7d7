#include "export/output_paths.hpp"

#include "platform/files.hpp"
#include "platform/utf8_path.hpp"
#include "text/digits.hpp"
#include "util/ascii.hpp"
#include "util/utf8.hpp"

namespace varkelo::exporting {
namespace {

using text::TwoDigits;

bool IsForbiddenInFolderName(std::string_view ch) {
  if (ch.size() == 1) {
    const unsigned char c = static_cast<unsigned char>(ch[0]);
    if (c < 0x20 || c == 0x7F) return true;
    return std::string_view("/\\:*?\"<>|").find(ch[0]) != std::string_view::npos;
  }
  // U+0080 to U+009F, the second range of control characters.
  return ch.size() == 2 && static_cast<unsigned char>(ch[0]) == 0xC2 &&
         static_cast<unsigned char>(ch[1]) <= 0x9F;
}

// Windows keeps these names for devices, whatever follows the first dot and in
// any case: a folder of that name cannot be made or is a device.
bool IsDeviceName(std::string_view name) {
  std::string stem(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = util::AsciiUpper(c);
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
  return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '1' &&
         stem[3] <= '9';
}

}  // namespace

std::string GatewayFolderName(std::string_view deviceIdText) {
  std::string name;
  bool onlyDots = true;
  std::size_t pos = 0;
  for (int count = 0; count < 8 && pos < deviceIdText.size(); ++count) {
    std::size_t length = util::Utf8SequenceLength(static_cast<unsigned char>(deviceIdText[pos]));
    if (length > deviceIdText.size() - pos) length = deviceIdText.size() - pos;
    const std::string_view ch = deviceIdText.substr(pos, length);
    pos += length;
    onlyDots = onlyDots && ch == ".";
    name += IsForbiddenInFolderName(ch) ? std::string_view("_") : ch;
  }
  if (onlyDots) name.assign(name.size(), '_');
  // Windows drops a last dot or space from a folder name; both platforms make
  // the same tree, so both keep the character as "_".
  if (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.back() = '_';
  if (IsDeviceName(name)) name = "_" + name;
  return name;
}

std::filesystem::path GatewayFolder(const std::filesystem::path& appFolder, std::string_view deviceIdText) {
  return appFolder / platform::PathFromUtf8(GatewayFolderName(deviceIdText));
}

namespace {

// The year with its century and the month in two digits, e.g. "201205".
std::string MonthName(std::int32_t fullYear, std::int32_t month) {
  return std::to_string(fullYear) + std::string(TwoDigits(month));
}

}  // namespace

std::filesystem::path DayFolder(const std::filesystem::path& gatewayFolder, const SectorHead& head) {
  return gatewayFolder / MonthName(head.FullYear(), head.month);
}

std::filesystem::path DayFolder(const std::filesystem::path& gatewayFolder, const SectorDay& day) {
  return gatewayFolder / MonthName(day.Year(), day.Month());
}

std::filesystem::path DayFile(const std::filesystem::path& gatewayFolder, const SectorDay& day) {
  const std::string month = MonthName(day.Year(), day.Month());
  return gatewayFolder / month / (month + std::string(TwoDigits(day.Day())) + ".csv");
}

// Never written through: a link could lead out of the application folder.
bool FolderExists(const std::filesystem::path& path) {
  return platform::KindOfEntry(path) == platform::EntryKind::Folder;
}

bool FileExists(const std::filesystem::path& path) {
  return platform::KindOfEntry(path) == platform::EntryKind::RegularFile;
}

platform::Status CreateFolder(const std::filesystem::path& path) {
  return platform::CreateFolder(path);
}

platform::Status EnsureFolder(const std::filesystem::path& path) {
  if (FolderExists(path)) return {};
  return CreateFolder(path);
}

}  // namespace varkelo::exporting
