#include "platform/program.hpp"

#include <signal.h>
#include <unistd.h>

#include <system_error>

namespace varkelo::platform {

std::filesystem::path ProgramFolder(const char* argv0) {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) return self.parent_path();
  return std::filesystem::absolute(argv0, error).parent_path();
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

bool PrepareTerminal(std::FILE* out) {
  return isatty(fileno(out)) != 0;
}

std::vector<int> CloseSignals() {
  // A closed terminal (SIGHUP) is a close request too, not a reason to die without a report.
  return {SIGINT, SIGTERM, SIGHUP};
}

void IgnoreCloseSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  for (const int signal : CloseSignals()) sigaddset(&signals, signal);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

}  // namespace varkelo::platform
