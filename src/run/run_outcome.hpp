#pragma once

// How a run ended. What it stands for outside the program (result code,
// report line, exit status) is decided in result_report.cpp alone.

namespace varkelo::run {

enum class RunOutcome {
  None,            // the run ended without an outcome (e.g. the request could not be sent)
  Success,         // downloaded and exported
  InvalidAddress,  // no valid address in "System.ini", or the run could not start
  NoConnection,    // the gateway did not accept the connection in time
  NoResponse,      // the gateway stopped answering or refused the transfer
  CsvError,        // the CSV files could not all be made
};

}  // namespace varkelo::run
