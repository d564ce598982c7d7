#include "app/program.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/fleet_progress.hpp"
#include "app/scheduled_task.hpp"
#include "page/fleet_page.hpp"
#include "platform/failure.hpp"
#include "platform/files.hpp"
#include "platform/folder_lock.hpp"
#include "platform/process.hpp"
#include "platform/stop_signals.hpp"
#include "platform/utf8_path.hpp"
#include "run/fleet.hpp"
#include "run/fleet_folders.hpp"
#include "run/fleet_pages.hpp"
#include "run/gateway_pages.hpp"
#include "run/metrics.hpp"
#include "run/run_outcome.hpp"
#include "run/run_sequence.hpp"

namespace varkelo::app {
namespace {

// Usage errors, as the BSD sysexits convention numbers them.
constexpr int UsageErrorExitStatus = 64;

std::string ExitStatusLine(run::RunOutcome outcome, std::string_view meaning) {
  std::string line = "  " + std::to_string(run::ExitStatusOf(outcome));
  line.resize(7, ' ');
  return line.append(meaning) + "\n";
}

std::string HelpFooter() {
  using run::RunOutcome;
  return "Files, all in the application folder:\n"
         "  System.ini    read: the gateway's IPv4 address, [System] Address=...\n"
         "  read.nmd      written: the gateway's memory image\n"
         "  DEVICE-ID/    written: ID.csv and one CSV file per stored day\n"
         "  error.txt     written: the outcome of the run, one line\n"
         "  DEVICE-ID/report.html  written with --report or --report-only: the gateway's page\n"
         "\n"
         "Exit status:\n"
         "  0    the run ended and error.txt says how (with --exit-code: it succeeded)\n"
         "  With --exit-code, a run that failed:\n" +
         ExitStatusLine(RunOutcome::InvalidAddress, "no valid address in System.ini") +
         ExitStatusLine(RunOutcome::NoConnection, "no connection to the gateway") +
         ExitStatusLine(RunOutcome::NoResponse, "the gateway fell silent or refused the transfer") +
         ExitStatusLine(RunOutcome::CsvError, "the CSV files could not be made") +
         ExitStatusLine(RunOutcome::None, "the run ended without an outcome, or was stopped") + "  " +
         std::to_string(run::ReportNotWrittenExitStatus) +
         "    error.txt could not be written; an earlier one is removed where the folder\n"
         "       lets the run remove it, and the last line says which\n  " +
         std::to_string(PageNotWrittenExitStatus) + "    --report-only: a page could not be written\n  " +
         std::to_string(FolderBusyExitStatus) +
         "    another run is reading this gateway (or the folder cannot be locked):\n"
         "       nothing is written, not even error.txt\n  " +
         std::to_string(FleetFailedExitStatus) +
         "   --fleet with --exit-code: a gateway failed, was skipped or stopped\n  " +
         std::to_string(UsageErrorExitStatus) +
         "   a bad command line, no application folder, or no gateway folder in\n"
         "       --fleet DIR: nothing is written\n"
         "\n"
         "A stop from the system (SIGTERM, SIGINT, SIGHUP; Ctrl+C or a shutdown on\n"
         "Windows) ends the run at once; error.txt then tells a run without an outcome.\n"
         "read.nmd is replaced only by a complete image. Every file is on the disk\n"
         "before error.txt says success; one run at a time per folder.\n"
         "More in man varkelo (on Windows: README.txt).";
}

// A usage error as one sentence on standard error; no run starts.
CommandLine UsageError(const std::string& sentence) {
  std::fprintf(stderr, "varkelo: %s\nSee varkelo --help.\n", sentence.c_str());
  return {.run = std::nullopt, .exitStatus = UsageErrorExitStatus};
}

// Makes the fleet folder's page and names it on `named` (if any), or says why not.
bool WriteFleetPage(const std::filesystem::path& fleetFolder,
                    const std::vector<std::filesystem::path>& gateways,
                    const std::vector<run::GatewayRun>& runs, std::FILE* named) {
  const platform::Status written = run::MakeFleetPage(fleetFolder, gateways, runs);
  if (!written) {
    std::fprintf(stderr, "varkelo: page: %s\n", written.Reason().Describe().c_str());
    return false;
  }
  if (named != nullptr)
    std::fprintf(named, "%s\n", platform::Utf8FromPath(fleetFolder / page::FleetPageFileName).c_str());
  return true;
}

// Makes the pages and says on standard error which could not be made.
run::PagesMade MakePages(const std::filesystem::path& appFolder) {
  run::PagesMade made = run::MakeGatewayPages(appFolder);
  for (const platform::Failure& failure : made.failures) {
    std::fprintf(stderr, "varkelo: page: %s\n", failure.Describe().c_str());
  }
  return made;
}

// Prints the scheduled task of the run the options ask for, a gateway
// folder's or a fleet folder's; no run starts.
CommandLine PrintTask(const Options& options, const char* argv0) {
  const bool fleet = options.fleetFolder.has_value();
  const std::string folder = platform::Utf8FromPath(fleet ? *options.fleetFolder : options.appFolder);
  std::vector<std::string> arguments{"--exit-code", fleet ? "--fleet" : "--folder", folder};
  if (fleet) {
    arguments.insert(arguments.end(), {"--parallel", std::to_string(options.parallel)});
    if (options.shard.count > 1) {
      arguments.insert(arguments.end(), {"--shard", std::to_string(options.shard.index) + "/" +
                                                        std::to_string(options.shard.count)});
    }
  }
  if (options.exportOnly) arguments.push_back("--export-only");
  if (options.report) arguments.push_back("--report");
  if (options.metricsFile)
    arguments.insert(arguments.end(), {"--metrics", platform::Utf8FromPath(*options.metricsFile)});
  const std::string file =
      TaskDefinitionFile({.program = platform::Utf8FromPath(platform::ProgramFile(argv0)),
                          .arguments = arguments,
                          .workingFolder = folder,
                          .description = (fleet ? "Varkelo: reads out every gateway folder of "
                                                : "Varkelo: reads out the gateway of ") +
                                         folder});
  platform::SetBinaryMode(stdout);
  const bool written =
      std::fwrite(file.data(), 1, file.size(), stdout) == file.size() && std::fflush(stdout) == 0;
  if (!written) std::fprintf(stderr, "varkelo: cannot write the task to standard output\n");
  return {.run = std::nullopt, .exitStatus = written ? 0 : 1};
}

// The application folder held for this run, or nothing after saying on
// standard error why it could not be held.
std::optional<platform::FolderLock> HoldFolder(const std::filesystem::path& appFolder) {
  platform::Result<platform::FolderLock> lock = platform::LockFolder(appFolder);
  if (lock) return std::move(*lock);
  if (platform::IsFolderBusy(lock.Reason())) {
    std::fprintf(stderr, "varkelo: another run is reading this gateway in %s; nothing was written\n",
                 platform::Utf8FromPath(appFolder).c_str());
  } else {
    std::fprintf(stderr, "varkelo: %s; nothing was written\n", lock.Reason().Describe().c_str());
  }
  return std::nullopt;
}

// Removes the temporary files that runs killed before their end left in the
// folders a run writes: the application folder, the gateway folders in it and
// their month folders. Only for a held folder: no other run's file is there.
void RemoveLeftovers(const std::filesystem::path& appFolder) {
  const auto folders = [](const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> found;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
      // A link to a folder is not followed: its files are none of the run's.
      if (platform::KindOfEntry(entry->path()) == platform::EntryKind::Folder) found.push_back(entry->path());
    }
    return found;
  };
  platform::RemoveTemporaryFiles(appFolder);
  for (const std::filesystem::path& gatewayFolder : folders(appFolder)) {
    platform::RemoveTemporaryFiles(gatewayFolder);
    for (const std::filesystem::path& monthFolder : folders(gatewayFolder))
      platform::RemoveTemporaryFiles(monthFolder);
  }
}

}  // namespace

int MakePagesOnly(const Options& options) {
  const std::optional<platform::FolderLock> held = HoldFolder(options.appFolder);
  if (!held) return FolderBusyExitStatus;
  // A folder of gateway folders gets each gateway's page and its own.
  const bool fleet = platform::KindOfEntry(options.appFolder / "System.ini") == platform::EntryKind::Missing;
  const platform::Result<run::FleetFolders> found = run::FindGatewayFolders(options.appFolder);
  if (fleet && found) {
    // A gateway never read has no page; its row says so.
    for (const std::filesystem::path& gateway : found->gateways) {
      const run::PagesMade made = MakePages(gateway);
      for (const std::filesystem::path& page : made.written)
        std::printf("%s\n", platform::Utf8FromPath(page).c_str());
    }
    return WriteFleetPage(options.appFolder, found->gateways, {}, stdout) ? 0 : PageNotWrittenExitStatus;
  }
  RemoveLeftovers(options.appFolder);
  const run::PagesMade made = MakePages(options.appFolder);
  for (const std::filesystem::path& page : made.written)
    std::printf("%s\n", platform::Utf8FromPath(page).c_str());
  return made.failures.empty() ? 0 : PageNotWrittenExitStatus;
}

CommandLine ParseCommandLine(int argc, char** argv) {
  CLI::App app{"varkelo reads out one smart meter gateway over TCP and writes what it read as CSV files.",
               "varkelo"};
  app.set_help_flag("-h,--help", "Show this help and exit");
  app.set_version_flag("--version", "varkelo " VARKELO_VERSION, "Show the version and exit");
  app.footer(HelpFooter());
  // Stray arguments and unknown options are told apart below, in sentences.
  app.allow_extras();
  std::vector<std::string> folders;
  Options options;
  app.add_option("--folder", folders,
                 platform::ProgramFolderAlwaysServes()
                     ? "The application folder (default: the program's own folder)"
                     : "The application folder (default: the program's own folder, if it holds System.ini)")
      ->type_name("DIR")
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  std::string fleet;
  auto* fleetOption =
      app.add_option("--fleet", fleet,
                     "Read out every gateway whose application folder is a direct subfolder of DIR "
                     "(a folder holding System.ini)")
          ->type_name("DIR");
  app.add_option("--parallel", options.parallel, "With --fleet: downloads at once (default 64)")
      ->type_name("N")
      ->check(CLI::Range(std::size_t{1}, std::size_t{100000}))
      ->needs(fleetOption);
  std::string shard;
  app.add_option("--shard", shard,
                 "With --fleet: take only the gateway folders of shard I of N (I from 0 to N-1), so that N "
                 "machines share one fleet folder")
      ->type_name("I/N")
      ->needs(fleetOption);
  std::string metrics;
  app.add_option(
         "--metrics", metrics,
         "Also write the run's figures to FILE for monitoring (Prometheus text format, for the textfile "
         "collector)")
      ->type_name("FILE");
  app.add_flag("--export-only", options.exportOnly,
               "Make the CSV files again from the read.nmd in the folder, without the gateway");
  app.add_flag("--exit-code", options.exitCode, "Exit with the run's outcome (below) instead of 0");
  app.add_flag("--report", options.report,
               "After a successful export, also write the gateway's page report.html");
  bool printTask = false;
  app.add_flag(
      "--print-task", printTask,
      "Print a Windows task that runs this every 30 minutes (XML for schtasks /Create /XML); no run");
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
  } catch (const CLI::ArgumentMismatch&) {
    return UsageError("--folder needs the folder after it: --folder DIR");
  } catch (const CLI::ParseError& e) {
    return UsageError(e.what());
  }
  // No run starts on a command line that says something else was meant.
  for (const std::string& extra : app.remaining()) {
    if (extra.starts_with("-")) return UsageError(extra + " is not an option of varkelo");
    return UsageError("varkelo takes no arguments besides its options, and " + extra + " is none");
  }
  if (folders.size() > 1) return UsageError("--folder given twice");
  if (!metrics.empty()) {
    std::error_code error;
    options.metricsFile = std::filesystem::absolute(platform::PathFromUtf8(metrics), error);
  }
  if (!fleet.empty()) {
    if (!folders.empty()) return UsageError("--folder and --fleet exclude each other");
    if (options.reportOnly)
      return UsageError("--report-only takes the folder of gateway folders as --folder DIR");
    if (!shard.empty()) {
      unsigned index = 0, count = 0;
      char end = 0;
      if (std::sscanf(shard.c_str(), "%u/%u%c", &index, &count, &end) != 2 || count == 0 || index >= count) {
        return UsageError("--shard takes I/N, N machines and this one's number I from 0 to N-1, not " +
                          shard);
      }
      options.shard = {.index = index, .count = count};
    }
    // Whether DIR is a fleet folder is told when the fleet starts, in a sentence.
    std::error_code error;
    options.fleetFolder = std::filesystem::absolute(platform::PathFromUtf8(fleet), error);
    if (printTask) return PrintTask(options, argc > 0 ? argv[0] : "");
    return {.run = options};
  }

  std::error_code error;
  if (!folders.empty()) {
    const std::filesystem::path folder = platform::PathFromUtf8(folders.front());
    if (!std::filesystem::is_directory(folder, error)) {
      return UsageError("--folder " + folders.front() +
                        (std::filesystem::exists(folder, error) ? " is not a folder" : " does not exist"));
    }
    options.appFolder = std::filesystem::absolute(folder, error);
    if (printTask) return PrintTask(options, argc > 0 ? argv[0] : "");
    return {.run = options};
  }
  options.appFolder = platform::ProgramFolder(argc > 0 ? argv[0] : "");
  // An installed program's folder (/usr/bin) is no place to write into.
  if (!platform::ProgramFolderAlwaysServes() &&
      !std::filesystem::exists(options.appFolder / "System.ini", error)) {
    return UsageError("--folder DIR is needed: " + platform::Utf8FromPath(options.appFolder) +
                      ", the program's own folder, holds no System.ini");
  }
  if (printTask) return PrintTask(options, argc > 0 ? argv[0] : "");
  return {.run = options};
}

namespace {

// Files a run holds open besides its downloads: the standard streams, the
// event loop's, the stop requests' pipe, and an export's, a page's and the
// report's files.
constexpr std::size_t BaseOpenFiles = 16;
// A download's: its socket, "read.nmd" and its folder's lock.
constexpr std::size_t OpenFilesPerDownload = 3;

// Ends each run the command line asks for without a download, as the system
// allows too few open files for one: 異常 in its "error.txt" and the reason.
int ReportTooFewFiles(const Options& options, std::size_t openFiles) {
  std::vector<std::filesystem::path> folders{options.appFolder};
  if (options.fleetFolder) {
    const platform::Result<run::FleetFolders> found =
        run::FindGatewayFolders(*options.fleetFolder, options.shard);
    if (!found) {
      std::fprintf(stderr, "varkelo: %s\n", found.Reason().Describe().c_str());
      return UsageErrorExitStatus;
    }
    folders = found->gateways;
  }
  bool written = true;
  for (const std::filesystem::path& folder : folders) {
    const std::optional<platform::FolderLock> held = HoldFolder(folder);
    if (!held) continue;
    const platform::Failure reason{.what = "the system lets the process open " + std::to_string(openFiles) +
                                           " files, too few for a run (at least " +
                                           std::to_string(BaseOpenFiles + OpenFilesPerDownload) + "), in",
                                   .subject = platform::Utf8FromPath(folder),
                                   .error = std::make_error_code(std::errc::too_many_files_open)};
    std::fprintf(stderr, "varkelo: %s\n", reason.Describe().c_str());
    const platform::Status report = run::WriteResultReport(folder, run::RunOutcome::None, "");
    if (!report) std::fprintf(stderr, "varkelo: %s\n", report.Reason().Describe().c_str());
    written = written && report;
  }
  std::printf("%s\n", run::ResultReportLine(run::RunOutcome::None, "").c_str());
  if (!written) return run::ReportNotWrittenExitStatus;
  if (!options.exitCode) return 0;
  return options.fleetFolder ? FleetFailedExitStatus : run::ExitStatusOf(run::RunOutcome::None);
}

// Writes the figures, when asked to; a failure is said and changes nothing else.
void WriteMetricsIfAsked(const Options& options, const std::vector<run::GatewayRun>& runs,
                         const std::optional<run::FleetCounts>& fleet) {
  if (!options.metricsFile) return;
  const platform::Status written = run::WriteMetrics(*options.metricsFile, run::MetricsText(runs, fleet));
  if (!written) std::fprintf(stderr, "varkelo: metrics: %s\n", written.Reason().Describe().c_str());
}

// Serves the event loop until it is stopped; an error that ends it early is said.
void Serve(asio::io_context& io) {
  try {
    io.run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "varkelo: %s\n", platform::Utf8FromSystemText(e.what()).c_str());
  }
}

// Starts the run, serves the event loop until the run has ended, makes the
// page, closes the view and gives the program's exit status.
int RunToEnd(asio::io_context& io, ProgramView& view, const Options& options) {
  run::RunSequence run(io, view, options.appFolder, {}, [&io] { io.stop(); });
  view.ListenForCloseRequests(run);
  // Held to the end, pages included: no other run reads or writes this
  // gateway's files meanwhile.
  const std::optional<platform::FolderLock> held = HoldFolder(options.appFolder);
  if (!held) return FolderBusyExitStatus;
  RemoveLeftovers(options.appFolder);
  // From here on a stop from the system ends the run at its next safe point.
  const platform::StopSignals stops(io, [&run](std::string_view request) { run.OnStopRequested(request); });
  const auto started = std::chrono::steady_clock::now();
  if (options.exportOnly) {
    run.StartExportOnly();
  } else {
    run.Start();
  }
  Serve(io);
  // Whatever ended the loop, the outcome reaches "error.txt".
  run.Finish();
  run::RunResult result = run.Result();
  // The page follows the files, and never changes the run's outcome. It is
  // made after "error.txt", whose line it shows.
  if (options.report && result.outcome == run::RunOutcome::Success && !result.reportFailure) {
    result.pages = MakePages(options.appFolder).written;
  }
  view.Close(result);
  WriteMetricsIfAsked(options,
                      {{.folder = options.appFolder,
                        .result = result,
                        .duration = std::chrono::steady_clock::now() - started,
                        .ended = std::chrono::system_clock::now(),
                        .pageFailures = {},
                        .skipped = {}}},
                      std::nullopt);
  // The view has said why.
  if (result.reportFailure) return run::ReportNotWrittenExitStatus;
  return options.exitCode ? run::ExitStatusOf(result.outcome) : 0;
}

// Reads out every gateway of the fleet folder; the exit status as RunToEnd
// gives it for one run, and FleetFailedExitStatus with --exit-code when any
// gateway failed.
int RunFleetToEnd(asio::io_context& io, ProgramView& view, const Options& options) {
  const platform::Result<run::FleetFolders> found =
      run::FindGatewayFolders(*options.fleetFolder, options.shard);
  if (!found) {
    std::fprintf(stderr, "varkelo: %s\n", found.Reason().Describe().c_str());
    return UsageErrorExitStatus;
  }
  for (const std::filesystem::path& link : found->links) {
    view.ShowLine("varkelo: skipped " + platform::Utf8FromPath(link) + ": a symbolic link, not followed",
                  true);
  }
  FleetProgress progress(view, [&io] { io.stop(); });
  run::Fleet fleet(io, found->gateways,
                   {.parallel = options.parallel,
                    .exportOnly = options.exportOnly,
                    .report = options.report,
                    .link = {},
                    .folderHeld = RemoveLeftovers},
                   progress);
  progress.Watch(fleet);
  view.ListenForCloseRequests(fleet);
  // After the fleet, a stop ends the view's wait on its last word.
  const platform::StopSignals stops(io, [&fleet, &io](std::string_view request) {
    if (fleet.Ended()) {
      io.stop();
    } else {
      fleet.OnStopRequested(request);
    }
  });
  fleet.Start();
  progress.ShowStart(fleet.Counts());
  Serve(io);
  if (!fleet.Ended()) {
    // Whatever ended the loop, every run under way reaches its "error.txt".
    fleet.OnStopRequested("an error of the program");
    io.restart();
    io.run_for(std::chrono::seconds(5));
  }
  const run::FleetCounts counts = fleet.Counts();
  // After the summary, which it changes nothing of.
  if (options.report) WriteFleetPage(*options.fleetFolder, found->gateways, fleet.Runs(), nullptr);
  WriteMetricsIfAsked(options, fleet.Runs(), counts);
  // Every file is written: the summary may stay in sight a while, on the loop.
  io.restart();
  view.HoldLastWord([&io] { io.stop(); });
  Serve(io);
  const auto unwritten = [](const run::GatewayRun& ended) { return ended.result.reportFailure.has_value(); };
  if (std::any_of(fleet.Runs().begin(), fleet.Runs().end(), unwritten))
    return run::ReportNotWrittenExitStatus;
  return options.exitCode && counts.succeeded < counts.total ? FleetFailedExitStatus : 0;
}

}  // namespace

int RunProgram(int argc, char** argv, const ViewMaker& makeView) {
  // Before anything else: a stop from now on ends the run with its report.
  platform::HoldStopSignals();
  platform::TurnWriteSignalsIntoErrors();
  const CommandLine commandLine = ParseCommandLine(argc, argv);
  if (!commandLine.run) return commandLine.exitStatus;
  Options options = *commandLine.run;
  if (options.reportOnly) return MakePagesOnly(options);
  // Before the event loop takes its own: too few files for a download still
  // leave enough to report.
  const std::optional<std::size_t> openFiles = platform::RaiseOpenFileLimit();
  if (openFiles && *openFiles < BaseOpenFiles + OpenFilesPerDownload)
    return ReportTooFewFiles(options, *openFiles);
  if (openFiles && options.fleetFolder) {
    const std::size_t most = (*openFiles - BaseOpenFiles) / OpenFilesPerDownload;
    if (options.parallel > most) {
      std::fprintf(stderr,
                   "varkelo: --parallel %zu lowered to %zu: the system lets the process open %zu files\n",
                   options.parallel, most, *openFiles);
      options.parallel = most;
    }
  }
  asio::io_context io;
  const std::unique_ptr<ProgramView> view = makeView(io);
  if (options.fleetFolder) return RunFleetToEnd(io, *view, options);
  return RunToEnd(io, *view, options);
}

}  // namespace varkelo::app
