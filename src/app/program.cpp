#include "app/program.hpp"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <string>
#include <system_error>
#include <vector>

#include "platform/program.hpp"
#include "platform/utf8_path.hpp"
#include "run/gateway_pages.hpp"
#include "run/run_outcome.hpp"

namespace varkelo::app {
namespace {

// Usage errors, as the BSD sysexits convention numbers them.
constexpr int UsageErrorExitStatus = 64;

std::string ExistingFolder(const std::string& folder) {
  std::error_code error;
  if (std::filesystem::is_directory(platform::PathFromUtf8(folder), error)) return {};
  return "Directory does not exist: " + folder;
}

// Makes the pages, names those written on `written` (if any) and says on
// standard error which could not be made.
bool MakePages(const std::filesystem::path& appFolder, std::FILE* written) {
  const run::PagesMade made = run::MakeGatewayPages(appFolder);
  for (const std::filesystem::path& page : made.written) {
    if (written != nullptr) std::fprintf(written, "%s\n", platform::Utf8FromPath(page).c_str());
  }
  for (const platform::Failure& failure : made.failures) {
    std::fprintf(stderr, "varkelo: page: %s\n", failure.Describe().c_str());
  }
  return made.failures.empty();
}

}  // namespace

int MakePagesOnly(const Options& options) {
  return MakePages(options.appFolder, stdout) ? 0 : PageNotWrittenExitStatus;
}

CommandLine ParseCommandLine(int argc, char** argv) {
  CLI::App app{"Reads out a smart gateway and writes its readings as CSV files."};
  app.set_version_flag("--version", "varkelo " VARKELO_VERSION);
  std::string folder;
  Options options;
  app.add_option("--folder", folder, "Application folder (default: the program's own folder)")
      ->check(CLI::Validator(ExistingFolder, "DIR"));
  app.add_flag("--export-only", options.exportOnly, "Only make the CSV files again from the stored read.nmd");
  app.add_flag("--exit-code", options.exitCode, "Exit with 0 on success, else with the result code");
  app.add_flag("--report", options.report,
               "After a successful export, also write the gateway's page report.html");
  app.add_flag("--report-only", options.reportOnly,
               "Only write report.html from the CSV files already in the folder (no download, no export)")
      ->excludes("--export-only")
      ->excludes("--report");

  // CLI11 takes the arguments after the program's name, last one first.
  const std::vector<std::string> arguments = platform::CommandLineArguments(argc, argv);
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  if (!reversed.empty()) reversed.pop_back();
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp& e) {
    return {.run = std::nullopt, .exitStatus = app.exit(e)};
  } catch (const CLI::CallForVersion& e) {
    return {.run = std::nullopt, .exitStatus = app.exit(e)};
  } catch (const CLI::ParseError& e) {
    // No run starts on a command line that says something else was meant.
    app.exit(e);
    return {.run = std::nullopt, .exitStatus = UsageErrorExitStatus};
  }
  std::error_code error;
  options.appFolder = folder.empty() ? platform::ProgramFolder(argc > 0 ? argv[0] : "")
                                     : std::filesystem::absolute(platform::PathFromUtf8(folder), error);
  return {.run = options};
}

int RunToEnd(asio::io_context& io, run::RunSequence& run, const Options& options) {
  if (options.exportOnly) {
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
  // The view has said why.
  if (!run.ReportWritten()) return run::ReportNotWrittenExitStatus;
  // The page follows the files, and never changes the run's outcome. It is
  // made after "error.txt", whose line it shows.
  if (options.report && run.Outcome() == run::RunOutcome::Success) MakePages(options.appFolder, nullptr);
  return options.exitCode ? run::ExitStatusOf(run.Outcome()) : 0;
}

}  // namespace varkelo::app
