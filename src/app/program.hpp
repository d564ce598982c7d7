#pragma once

// What every varkelo program does around its view: the command line, the run
// on the one event loop, and the exit status.

#include <asio/io_context.hpp>
#include <filesystem>
#include <optional>

#include "run/run_sequence.hpp"

namespace varkelo::app {

struct Options {
  std::filesystem::path appFolder;
  bool exportOnly = false;
  bool exitCode = false;
};

// The options of a run, or nothing when no run is to start (help, version, a
// bad command line); *exitStatus then holds the status to exit with.
std::optional<Options> ParseCommandLine(int argc, char** argv, int* exitStatus);

// Starts the run, serves the event loop until the run has ended, and gives
// the program's exit status.
int RunToEnd(asio::io_context& io, run::RunSequence& run, const Options& options);

}  // namespace varkelo::app
