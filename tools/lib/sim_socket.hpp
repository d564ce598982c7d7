#pragma once

// Blocking TCP sockets with time-outs for the gateway simulator and for test
// peers: every wait is bounded, so a client that misbehaves cannot hang them.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/failure.hpp"

namespace varkelo::tools {

enum class ReadOutcome { Ok, Closed, TimedOut, Failed };

struct ReadResult {
  ReadOutcome outcome = ReadOutcome::Failed;
  std::size_t count = 0;  // bytes read
};

struct CloseResult {
  bool closed = false;         // the peer closed its side within the wait
  std::size_t extraBytes = 0;  // bytes that arrived meanwhile, dropped
};

class SimConnection {
 public:
  SimConnection() = default;
  explicit SimConnection(int fd) : fd_(fd) {}
  ~SimConnection();
  SimConnection(SimConnection&& other) noexcept;
  SimConnection& operator=(SimConnection&& other) noexcept;
  SimConnection(const SimConnection&) = delete;
  SimConnection& operator=(const SimConnection&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  int Handle() const { return fd_; }

  // Reads exactly into.size() bytes, waiting at most `wait` for each part.
  ReadOutcome ReadExactly(std::span<std::uint8_t> into, std::chrono::milliseconds wait);
  // Reads whatever is there (at least one byte), waiting at most `wait`.
  ReadResult ReadSome(std::span<std::uint8_t> into, std::chrono::milliseconds wait);
  // Writes every byte, waiting at most `wait` in all for a client that reads nothing.
  bool WriteAll(std::span<const std::uint8_t> bytes,
                std::chrono::milliseconds wait = std::chrono::seconds(60));
  // Waits until the peer closes its side, counting and dropping the bytes that
  // arrive meanwhile. Not closed on time-out or error.
  CloseResult WaitForClose(std::chrono::milliseconds wait);

  bool SetNoDelay(bool on);
  // The connection's maximum segment size (TCP_MAXSEG), 0 when unknown.
  int SegmentSize() const;
  // Waits until TCP has every byte sent so far acknowledged by the peer.
  bool WaitUntilAcknowledged(std::chrono::milliseconds wait) const;

  void Close();
  // Closes with a reset instead of an orderly shutdown.
  void Reset();

 private:
  int fd_ = -1;
};

class SimListener {
 public:
  SimListener() = default;
  ~SimListener();
  SimListener(const SimListener&) = delete;
  SimListener& operator=(const SimListener&) = delete;

  // Listens on a dotted IPv4 address; port 0 takes any free port.
  platform::Status Listen(const std::string& address, std::uint16_t port);
  std::uint16_t Port() const { return port_; }
  // The next client, or a closed connection after `wait`.
  SimConnection Accept(std::chrono::milliseconds wait);
  void Close();

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
};

// A blocking client connection, for test and benchmark clients.
SimConnection ConnectTo(const std::string& address, std::uint16_t port);

}  // namespace varkelo::tools
