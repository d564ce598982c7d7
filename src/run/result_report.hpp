#pragma once

// "error.txt": the one line that tells whoever started the run how it ended,
// and the numbers an outcome stands for outside the program.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/failure.hpp"
#include "run/run_outcome.hpp"

namespace varkelo::run {

// The result code of an outcome, as "error.txt" and --exit-code know it.
std::int32_t ResultCodeOf(RunOutcome outcome);

// Exit status for schedulers that act on it: 0 for success, the result code
// for the failures, and 6 for a run without an outcome, which must never read
// as success.
int ExitStatusOf(RunOutcome outcome);

// Exit status when "error.txt" could not be written, whatever the outcome.
inline constexpr int ReportNotWrittenExitStatus = 7;

// The report line of an outcome (without the line end).
std::string ResultReportLine(RunOutcome outcome, std::string_view gatewayAddress);

// Replaces "error.txt" in appFolder with the line of the outcome, whole or not
// at all. When it cannot be written, an earlier "error.txt" (a regular file)
// is removed, so that nobody reads an old outcome as this run's; a link,
// folder or anything else standing there is left alone. The failure says why
// the report was not written.
platform::Status WriteResultReport(const std::filesystem::path& appFolder, RunOutcome outcome,
                                   std::string_view gatewayAddress);

}  // namespace varkelo::run
