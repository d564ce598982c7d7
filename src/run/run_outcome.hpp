#pragma once

// How a run ended, and the numbers that outcome stands for outside the program.

#include <cstdint>

namespace varkelo::run {

enum class RunOutcome {
  None,            // the run ended without an outcome (e.g. the request could not be sent)
  Success,         // downloaded and exported
  InvalidAddress,  // no valid address in "System.ini", or the run could not start
  NoConnection,    // the gateway did not accept the connection in time
  NoResponse,      // the gateway stopped answering or refused the transfer
  CsvError,        // the CSV files could not all be made
};

// The result code of an outcome, as "error.txt" and --exit-code know it.
std::int32_t ResultCodeOf(RunOutcome outcome);

// Exit status for schedulers that act on it: 0 for success, the result code
// for the failures, and 6 for a run without an outcome, which must never read
// as success.
int ExitStatusOf(RunOutcome outcome);

// Exit status when "error.txt" could not be written, whatever the outcome.
inline constexpr int ReportNotWrittenExitStatus = 7;

}  // namespace varkelo::run
