#pragma once

// How a run ended, as the view shows it at the end: the outcome, why it was
// not a success, where the files went, and whether "error.txt" was written.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/failure.hpp"
#include "run/run_outcome.hpp"

namespace varkelo::run {

struct RunResult {
  RunOutcome outcome = RunOutcome::None;
  // The address as "System.ini" gave it; the report line of some outcomes names it.
  std::string gatewayAddress;
  // Why the run did not succeed, where it is known.
  std::optional<platform::Failure> reason;
  // What the export made: the gateway's folder (empty before its name was
  // known) and the day files written.
  std::filesystem::path gatewayFolder;
  std::int32_t dayFiles = 0;
  // Records the download stored in "read.nmd".
  std::int32_t recordsDownloaded = 0;
  // The gateway's page, when the program made one after the run.
  std::vector<std::filesystem::path> pages;
  // Why "error.txt" could not be written; none when it was.
  std::optional<platform::Failure> reportFailure;
  // An earlier "error.txt" that the run could not remove after failing to
  // write its own (a folder that lets no file be removed): not this run's.
  bool earlierReportLeft = false;
};

}  // namespace varkelo::run
