// varkelo (varkelo-cli on Windows): reads out the smart gateway named in
// "System.ini" into "read.nmd", writes the CSV files and records the outcome
// in "error.txt", showing the run on the console or as lines for a log.

#include <cstdio>
#include <memory>

#include "app/console_view.hpp"
#include "app/program.hpp"
#include "platform/process.hpp"

int main(int argc, char** argv) {
  return varkelo::app::RunProgram(argc, argv, [](asio::io_context&) {
    // Both streams of a console show UTF-8, whichever of them is redirected.
    varkelo::platform::PrepareTerminal(stderr);
    const bool terminal = varkelo::platform::PrepareTerminal(stdout);
    return std::make_unique<varkelo::app::ConsoleView>(stdout, stderr, terminal);
  });
}
