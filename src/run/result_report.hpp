#pragma once

// "error.txt": the one line that tells whoever started the run how it ended.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace varkelo::run {

// Outcomes of a run, as kept in ResultCode.
inline constexpr std::int32_t ResultNone = 0;
inline constexpr std::int32_t ResultSuccess = 1;
inline constexpr std::int32_t ResultInvalidAddress = 2;
inline constexpr std::int32_t ResultNoConnection = 3;
inline constexpr std::int32_t ResultTimeout = 4;
inline constexpr std::int32_t ResultCsvError = 5;

// The report line for a result code (without the line end).
std::string ResultReportLine(std::int32_t resultCode, std::string_view gatewayAddress);

// Replaces "error.txt" in appFolder with the line for resultCode, whole or not
// at all. False when it was not written (the old file, if any, then stays):
// whoever started the run must not read an old outcome as this run's.
bool WriteResultReport(const std::filesystem::path& appFolder, std::int32_t resultCode,
                       std::string_view gatewayAddress);

}  // namespace varkelo::run
