// varkelo.exe: the Windows program. Shows the run in its status window and
// ends when the run has reported; no console, so the exit status is all a
// scheduler gets besides "error.txt".

#include <asio/io_context.hpp>

#include "app/program.hpp"
#include "app/window_view.hpp"
#include "platform/process.hpp"
#include "platform/stop_signals.hpp"
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
  varkelo::app::WindowView view(io);
  // Without a desktop (a task started while nobody is logged on) the run goes
  // on without a window.
  view.Open();
  varkelo::run::RunSequence run(io, view, options.appFolder);
  view.ListenForCloseRequests(run);
  return varkelo::app::RunToEnd(io, run, options);
}
