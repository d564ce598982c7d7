#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "file_hazards.hpp"

void MakeFifo(const std::filesystem::path& path) {
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
}

void MakeLink(const std::filesystem::path& target, const std::filesystem::path& at) {
  std::filesystem::create_symlink(target, at);
}

FileSizeLimit::FileSizeLimit(std::uint64_t bytes) : oldHandler_(::signal(SIGXFSZ, SIG_IGN)) {
  // Past the limit a write fails with EFBIG; SIGXFSZ is ignored so it does not end the test.
  rlimit old{};
  if (::getrlimit(RLIMIT_FSIZE, &old) != 0) return;
  oldLimit_ = old.rlim_cur;
  const rlimit limit{static_cast<rlim_t>(bytes), old.rlim_max};
  active_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

FileSizeLimit::~FileSizeLimit() {
  rlimit old{};
  if (active_ && ::getrlimit(RLIMIT_FSIZE, &old) == 0) {
    old.rlim_cur = static_cast<rlim_t>(oldLimit_);
    ::setrlimit(RLIMIT_FSIZE, &old);
  }
  ::signal(SIGXFSZ, oldHandler_);
}

ReadOnlySharingReader::ReadOnlySharingReader(const std::filesystem::path& path)
    : handle_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}

ReadOnlySharingReader::~ReadOnlySharingReader() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}
