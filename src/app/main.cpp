// varkelo: reads out the smart gateway named in "System.ini" into "read.nmd",
// writes the CSV files and records the outcome in "error.txt".

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <asio/io_context.hpp>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include "run/console_view.hpp"
#include "run/run_sequence.hpp"

namespace {

// Usage errors, as the BSD sysexits convention numbers them.
constexpr int UsageErrorExitStatus = 64;

// The folder the program lives in: where it finds "System.ini" and writes its files.
std::filesystem::path ProgramFolder(const char* argv0) {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) return self.parent_path();
  return std::filesystem::absolute(argv0, error).parent_path();
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Reads out a smart gateway and writes its readings as CSV files."};
  app.set_version_flag("--version", "varkelo " VARKELO_VERSION);
  std::string folder;
  bool exportOnly = false;
  bool exitCode = false;
  app.add_option("--folder", folder, "Application folder (default: the program's own folder)")
      ->check(CLI::ExistingDirectory);
  app.add_flag("--export-only", exportOnly, "Only make the CSV files again from the stored read.nmd");
  app.add_flag("--exit-code", exitCode, "Exit with 0 on success, else with the result code");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    // No run starts on a command line that says something else was meant.
    app.exit(e);
    return UsageErrorExitStatus;
  }

  const std::filesystem::path appFolder =
      folder.empty() ? ProgramFolder(argv[0]) : std::filesystem::absolute(folder);

  asio::io_context io;
  varkelo::run::ConsoleView view(io, stdout, isatty(fileno(stdout)) != 0);
  varkelo::run::RunSequence run(io, view, appFolder);
  view.ListenForCloseRequests(run);

  if (exportOnly) {
    run.StartExportOnly();
  } else {
    run.Start();
  }
  try {
    io.run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "varkelo: %s\n", e.what());
  }
  // Whatever ended the loop, the outcome reaches "error.txt".
  run.Finish();
  if (!run.ReportWritten()) {
    std::fprintf(stderr, "varkelo: cannot write %s\n", (appFolder / "error.txt").string().c_str());
    return varkelo::run::ReportNotWrittenExitStatus;
  }
  return exitCode ? varkelo::run::ExitStatusOf(run.Outcome()) : 0;
}
