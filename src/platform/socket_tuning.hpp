#pragma once

// The socket calls that differ between systems: settings for a stop-and-wait
// exchange, and a send that waits a bounded time for room in the send buffer
// without leaving the socket blocking.

#include <chrono>
#include <cstdint>
#include <span>

namespace varkelo::platform {

// A socket as the system knows it: a descriptor on POSIX, a SOCKET on Windows.
using SocketHandle = std::uintptr_t;

// After connecting: small frames leave at once (TCP_NODELAY), and data that
// arrives is acknowledged at once instead of after the delayed-ACK time, so a
// peer that waits for that acknowledgement is not slowed down (Linux:
// TCP_QUICKACK; Windows: an acknowledgement frequency of 1 where the system
// takes it, nothing where it answers that it does not).
void TuneForStopAndWait(SocketHandle socket);
// After a read that leaves part of a frame: Linux forgets TCP_QUICKACK, so it
// is set again; Windows keeps its setting.
void RenewAfterRead(SocketHandle socket);

enum class SendOutcome { Sent, TimedOut, Failed };

// Sends every byte, waiting at most `wait` in all for room in the send buffer.
// On Windows the socket must have been made non-blocking (FIONBIO) before.
// A closed connection is a failure, never a signal that ends the program.
SendOutcome SendWithin(SocketHandle socket, std::span<const std::uint8_t> bytes,
                       std::chrono::milliseconds wait);

}  // namespace varkelo::platform
