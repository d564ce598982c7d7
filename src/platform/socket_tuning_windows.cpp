#include "platform/socket_tuning.hpp"

#include <winsock2.h>
// After winsock2.h, which they need.
#include <mstcpip.h>
#include <ws2tcpip.h>

#include <algorithm>

namespace varkelo::platform {
namespace {

SOCKET Socket(SocketHandle socket) {
  return static_cast<SOCKET>(socket);
}

}  // namespace

void TuneForStopAndWait(SocketHandle socket) {
  const SOCKET s = Socket(socket);
  const BOOL on = TRUE;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  // Acknowledge every segment at once. Older systems and emulations answer
  // that they do not know the setting; their delayed acknowledgement stays.
  DWORD frequency = 1;
  DWORD returned = 0;
  ::WSAIoctl(s, SIO_TCP_SET_ACK_FREQUENCY, &frequency, sizeof frequency, nullptr, 0, &returned, nullptr,
             nullptr);
}

void RenewAfterRead(SocketHandle) {
  // The acknowledgement frequency stays set for the connection.
}

SendOutcome SendWithin(SocketHandle socket, std::span<const std::uint8_t> bytes,
                       std::chrono::milliseconds wait) {
  // Windows has no per-call MSG_DONTWAIT: the caller made the socket itself
  // non-blocking. Overlapped reads on it go on as before.
  const SOCKET s = Socket(socket);
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size() - sent, 1 << 30));
    const int n = ::send(s, reinterpret_cast<const char*>(bytes.data() + sent), chunk, 0);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return SendOutcome::TimedOut;
      WSAPOLLFD writable{s, POLLWRNORM, 0};
      ::WSAPoll(&writable, 1, static_cast<INT>(left.count()));
      continue;
    }
    return SendOutcome::Failed;
  }
  return SendOutcome::Sent;
}

}  // namespace varkelo::platform
