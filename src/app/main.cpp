// varkelo (varkelo-cli on Windows): reads out the smart gateway named in
// "System.ini" into "read.nmd", writes the CSV files and records the outcome
// in "error.txt", showing the run on the console or as lines for a log.

#include <asio/io_context.hpp>
#include <cstdio>

#include "app/program.hpp"
#include "platform/process.hpp"
#include "platform/stop_signals.hpp"
#include "run/console_view.hpp"
#include "run/run_sequence.hpp"

int main(int argc, char** argv) {
  // Before anything else: a stop from now on ends the run with its report.
  varkelo::platform::HoldStopSignals();
  varkelo::platform::TurnWriteSignalsIntoErrors();
  const varkelo::app::CommandLine commandLine = varkelo::app::ParseCommandLine(argc, argv);
  if (!commandLine.run) return commandLine.exitStatus;
  const varkelo::app::Options& options = *commandLine.run;
  if (options.reportOnly) return varkelo::app::MakePagesOnly(options);

  asio::io_context io;
  // Both streams of a console show UTF-8, whichever of them is redirected.
  varkelo::platform::PrepareTerminal(stderr);
  varkelo::run::ConsoleView view(stdout, stderr, varkelo::platform::PrepareTerminal(stdout));
  varkelo::run::RunSequence run(io, view, options.appFolder);
  return varkelo::app::RunToEnd(io, run, options);
}
