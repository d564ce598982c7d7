#include "platform/socket_tuning.hpp"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace varkelo::platform {
namespace {

int Descriptor(SocketHandle socket) {
  return static_cast<int>(socket);
}

}  // namespace

void TuneForStopAndWait(SocketHandle socket) {
  const int on = 1;
  ::setsockopt(Descriptor(socket), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  RenewAfterRead(socket);
}

void RenewAfterRead([[maybe_unused]] SocketHandle socket) {
#ifdef TCP_QUICKACK
  // Linux delays the ACK of a received segment by up to 40 ms, hoping to join
  // it with an answer, and drops this setting again after a while.
  const int on = 1;
  ::setsockopt(Descriptor(socket), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#endif
}

SendOutcome SendWithin(SocketHandle socket, std::span<const std::uint8_t> bytes,
                       std::chrono::milliseconds wait) {
  const int fd = Descriptor(socket);
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return SendOutcome::TimedOut;
      pollfd writable{fd, POLLOUT, 0};
      ::poll(&writable, 1, static_cast<int>(left.count()));
      continue;
    }
    return SendOutcome::Failed;
  }
  return SendOutcome::Sent;
}

}  // namespace varkelo::platform
