// varkelo: reads out the smart gateway named in "System.ini" into "read.nmd",
// writes the CSV files and records the outcome in "error.txt".

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <system_error>

#include "run/console_window.hpp"
#include "run/frm_comm.hpp"
#include "run/run_exit_status.hpp"

namespace {

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
  CLI11_PARSE(app, argc, argv);

  const std::filesystem::path appFolder =
      folder.empty() ? ProgramFolder(argv[0]) : std::filesystem::absolute(folder);

  asio::io_context io;
  varkelo::run::ConsoleWindow window(io, stdout, isatty(fileno(stdout)) != 0);
  varkelo::run::frmComm form(io, window, appFolder);
  window.Attach(form);

  // Closing the window: refused while the gateway is connected or the export runs.
  asio::signal_set signals(io, SIGINT, SIGTERM);
  std::function<void()> waitForClose = [&] {
    signals.async_wait([&](const std::error_code& error, int) {
      if (error) return;
      window.Unload();
      waitForClose();
    });
  };
  waitForClose();

  if (exportOnly) {
    form.StartExportOnly();
  } else {
    form.Form_Load();
  }
  io.run();
  return exitCode ? varkelo::run::ExitStatusOf(form.ResultCode) : 0;
}
