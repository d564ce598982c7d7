#pragma once

// What every varkelo program does around its view: the command line, the run
// on the one event loop, and the exit status.

#include <asio/io_context.hpp>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "app/program_view.hpp"
#include "run/fleet_folders.hpp"

namespace varkelo::app {

struct Options {
  std::filesystem::path appFolder;
  // --fleet: the folder whose subfolders are the gateways' application folders.
  std::optional<std::filesystem::path> fleetFolder;
  // Downloads at once in a fleet.
  std::size_t parallel = 64;
  // --shard I/N: the fleet's gateway folders this process takes.
  run::Shard shard;
  // --metrics: where the run's figures go for monitoring.
  std::optional<std::filesystem::path> metricsFile;
  bool exportOnly = false;
  bool exitCode = false;
  // Refresh each gateway's page after an export that succeeded.
  bool report = false;
  // Only make the pages from the CSV trees in the folder: no download, no export, no "error.txt".
  bool reportOnly = false;
};

// What the command line asks for: a run with its options, or no run (help,
// version, a bad command line) and the status to exit with.
struct CommandLine {
  std::optional<Options> run;
  int exitStatus = 0;
};

CommandLine ParseCommandLine(int argc, char** argv);

// Exit status of --report-only when a page could not be made.
inline constexpr int PageNotWrittenExitStatus = 8;
// Exit status of a fleet with --exit-code when any of its gateways failed.
inline constexpr int FleetFailedExitStatus = 10;

// Exit status when the application folder could not be held, most often
// because another run is reading the gateway: nothing is written.
inline constexpr int FolderBusyExitStatus = 9;

// --report-only: makes the pages, says on the console which were written and
// which not; 0 when every page was written, else PageNotWrittenExitStatus
// (FolderBusyExitStatus when another run holds the folder).
int MakePagesOnly(const Options& options);

// Makes the program's view on the event loop; never null.
using ViewMaker = std::function<std::unique_ptr<ProgramView>(asio::io_context&)>;

// The whole of a program but its view, from the first instruction of main:
// holds the stop requests, reads the command line, makes the view, runs
// until the run has ended and gives the exit status. A folder another run
// holds is left as it is: FolderBusyExitStatus, and nothing written.
int RunProgram(int argc, char** argv, const ViewMaker& makeView);

}  // namespace varkelo::app
