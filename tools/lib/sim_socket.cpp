#include "lib/sim_socket.hpp"

#include "platform/socket_tuning.hpp"

#include <cerrno>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

namespace varkelo::tools {
namespace {

using Clock = std::chrono::steady_clock;

// Waits until fd is ready for `events`, at most `wait`. 1 ready, 0 time-out, -1 error.
int WaitReady(int fd, short events, std::chrono::milliseconds wait) {
  const auto deadline = Clock::now() + wait;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd ready{fd, events, 0};
    const int n = ::poll(&ready, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
    if (n > 0) return 1;
    if (n == 0) return 0;
    if (errno != EINTR) return -1;
  }
}

std::error_code LastError() {
  return {errno, std::system_category()};
}

bool ParseAddress(const std::string& address, in_addr& parsed) {
  return ::inet_pton(AF_INET, address.c_str(), &parsed) == 1;
}

}  // namespace

SimConnection::~SimConnection() {
  Close();
}

SimConnection::SimConnection(SimConnection&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

SimConnection& SimConnection::operator=(SimConnection&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

ReadOutcome SimConnection::ReadExactly(std::span<std::uint8_t> into, std::chrono::milliseconds wait) {
  std::size_t done = 0;
  while (done < into.size()) {
    const ReadResult read = ReadSome(into.subspan(done), wait);
    if (read.outcome != ReadOutcome::Ok) return read.outcome;
    done += read.count;
  }
  return ReadOutcome::Ok;
}

ReadResult SimConnection::ReadSome(std::span<std::uint8_t> into, std::chrono::milliseconds wait) {
  if (fd_ < 0) return {ReadOutcome::Failed, 0};
  for (;;) {
    const int ready = WaitReady(fd_, POLLIN, wait);
    if (ready == 0) return {ReadOutcome::TimedOut, 0};
    if (ready < 0) return {ReadOutcome::Failed, 0};
    const ssize_t n = ::recv(fd_, into.data(), into.size(), 0);
    if (n > 0) return {ReadOutcome::Ok, static_cast<std::size_t>(n)};
    if (n == 0) return {ReadOutcome::Closed, 0};
    if (errno == EINTR || errno == EAGAIN) continue;
    return {errno == ECONNRESET ? ReadOutcome::Closed : ReadOutcome::Failed, 0};
  }
}

bool SimConnection::WriteAll(std::span<const std::uint8_t> bytes, std::chrono::milliseconds wait) {
  return fd_ >= 0 && platform::SendWithin(static_cast<platform::SocketHandle>(fd_), bytes, wait) ==
                         platform::SendOutcome::Sent;
}

CloseResult SimConnection::WaitForClose(std::chrono::milliseconds wait) {
  std::uint8_t scratch[4096];
  CloseResult result;
  const auto deadline = Clock::now() + wait;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return result;
    const ReadResult read = ReadSome(scratch, left);
    result.closed = read.outcome == ReadOutcome::Closed;
    if (read.outcome != ReadOutcome::Ok) return result;
    result.extraBytes += read.count;
  }
}

bool SimConnection::SetNoDelay(bool on) {
  const int value = on ? 1 : 0;
  return fd_ >= 0 && ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) == 0;
}

int SimConnection::SegmentSize() const {
  int mss = 0;
  socklen_t size = sizeof mss;
  if (fd_ < 0 || ::getsockopt(fd_, IPPROTO_TCP, TCP_MAXSEG, &mss, &size) != 0) return 0;
  return mss;
}

bool SimConnection::WaitUntilAcknowledged(std::chrono::milliseconds wait) const {
  const auto start = Clock::now();
  for (;;) {
    tcp_info info{};
    socklen_t size = sizeof info;
    if (fd_ < 0 || ::getsockopt(fd_, IPPROTO_TCP, TCP_INFO, &info, &size) != 0) return false;
    if (info.tcpi_unacked == 0) return true;
    const auto waited = Clock::now() - start;
    if (waited > wait) return false;
    // An acknowledgement on loopback takes microseconds; a delayed one 40 ms. Spin
    // briefly, then poll gently so the client gets the processor.
    if (waited < std::chrono::microseconds(200)) {
      ::sched_yield();
    } else {
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
  }
}

void SimConnection::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void SimConnection::Reset() {
  if (fd_ < 0) return;
  const linger now{1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &now, sizeof now);
  Close();
}

SimListener::~SimListener() {
  Close();
}

platform::Status SimListener::Listen(const std::string& address, std::uint16_t port) {
  Close();
  const auto failure = [&](std::error_code error) -> platform::Status {
    Close();
    return platform::Failure{
        .what = "cannot listen on", .subject = address + ":" + std::to_string(port), .error = error};
  };
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  if (!ParseAddress(address, local.sin_addr))
    return failure(std::make_error_code(std::errc::invalid_argument));
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return failure(LastError());
  const int on = 1;
  ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) return failure(LastError());
  if (::listen(fd_, 4) != 0) return failure(LastError());
  socklen_t size = sizeof local;
  if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &size) != 0) return failure(LastError());
  port_ = ntohs(local.sin_port);
  return {};
}

SimConnection SimListener::Accept(std::chrono::milliseconds wait) {
  if (fd_ < 0 || WaitReady(fd_, POLLIN, wait) != 1) return SimConnection();
  return SimConnection(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
}

void SimListener::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

SimConnection ConnectTo(const std::string& address, std::uint16_t port) {
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port);
  if (!ParseAddress(address, remote.sin_addr)) return SimConnection();
  SimConnection connection(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!connection.IsOpen()) return connection;
  if (::connect(connection.Handle(), reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) {
    connection.Close();
  }
  return connection;
}

}  // namespace varkelo::tools
