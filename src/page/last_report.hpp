#pragma once

// What the pages show of a run's "error.txt": its line and when it was written.

#include <chrono>
#include <filesystem>
#include <string>

namespace varkelo::page {

struct LastReport {
  std::string line;  // decoded from code page 932; empty when there is no report
  std::string time;  // when it was written, "YYYY-MM-DDTHH:MM:SSZ"; empty when unknown
};

// The report in `appFolder`; empty when there is none or it cannot be read.
LastReport ReadLastReport(const std::filesystem::path& appFolder);

// A moment in UTC, "YYYY-MM-DDTHH:MM:SSZ".
std::string UtcText(std::chrono::system_clock::time_point when);

}  // namespace varkelo::page
