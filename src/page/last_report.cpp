#include "page/last_report.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <system_error>

#include "platform/files.hpp"
#include "text/cp932.hpp"

namespace varkelo::page {

std::string UtcText(std::chrono::system_clock::time_point when) {
  const auto day = std::chrono::floor<std::chrono::days>(when);
  const std::chrono::year_month_day date{day};
  const std::chrono::hh_mm_ss time{std::chrono::floor<std::chrono::seconds>(when - day)};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

LastReport ReadLastReport(const std::filesystem::path& appFolder) {
  // "error.txt" holds one short line; more is not a report of this system.
  constexpr std::size_t LongestReport = 4096;
  const std::filesystem::path path = appFolder / "error.txt";
  platform::Result<platform::RegularFile> file = platform::RegularFile::OpenForReading(path);
  if (!file) return {};
  const platform::Result<std::string> bytes = file->ReadAll();
  if (!bytes) return {};
  std::string_view line(*bytes);
  line = line.substr(0, std::min({line.find('\r'), line.find('\n'), LongestReport}));
  LastReport report{
      .line = text::DecodeCp932({reinterpret_cast<const std::uint8_t*>(line.data()), line.size()}),
      .time = {}};
  std::error_code error;
  const std::filesystem::file_time_type written = std::filesystem::last_write_time(path, error);
  if (!error) report.time = UtcText(std::chrono::file_clock::to_sys(written));
  return report;
}

}  // namespace varkelo::page
