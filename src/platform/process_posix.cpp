#include "platform/process.hpp"

#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>

namespace varkelo::platform {

std::filesystem::path ProgramFile(const char* argv0) {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) return self;
  return std::filesystem::absolute(argv0, error);
}

std::filesystem::path ProgramFolder(const char* argv0) {
  return ProgramFile(argv0).parent_path();
}

bool ProgramFolderAlwaysServes() {
  return false;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void SetBinaryMode(std::FILE*) {}

void TurnWriteSignalsIntoErrors() {
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGXFSZ, SIG_IGN);
}

bool PrepareTerminal(std::FILE* out) {
  return isatty(fileno(out)) != 0;
}

int TerminalColumns(std::FILE* out) {
  winsize size{};
  if (ioctl(fileno(out), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

std::optional<std::size_t> RaiseOpenFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return std::nullopt;
  if (limit.rlim_cur < limit.rlim_max) {
    // An unlimited hard limit still has the kernel's own ceiling: a million is plenty.
    const rlimit raised{.rlim_cur = std::min<rlim_t>(limit.rlim_max, rlim_t{1} << 20),
                        .rlim_max = limit.rlim_max};
    if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit.rlim_cur = raised.rlim_cur;
  }
  return static_cast<std::size_t>(limit.rlim_cur);
}

}  // namespace varkelo::platform
