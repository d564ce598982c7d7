#pragma once

// A smart gateway on a TCP port, for trying the reading program without one:
// it takes one client, waits for the read request, sends its image as one
// data frame per 1024-byte record, checks every acknowledgement and ends with
// an end frame. Fault modes make it behave the way a real network or a broken
// gateway may. Blocking, one client at a time; run it on its own thread.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lib/sim_socket.hpp"

namespace varkelo::tools {

enum class SimFault {
  None,
  Split,      // every frame from faultAfter on in several small writes, with pauses
  Nagle,      // a sender that holds back the tail of each frame until its start is acknowledged
  Joined,     // the last data frame and the end frame in one write
  Silent,     // after faultAfter frames nothing more is sent; the connection stays open
  Close,      // the connection is closed after faultAfter frames
  Refuse,     // the end frame reports failure ('1')
  Malformed,  // frame faultAfter + 1 has a length whose high byte is 0x80
  Record0,    // frame faultAfter + 1 carries record number 0
};

std::optional<SimFault> ParseSimFault(std::string_view name);
std::string_view SimFaultName(SimFault fault);

inline constexpr std::size_t SimRecordSize = 1024;

// A data frame as a gateway sends it: length 1028, code "05", the record number, the record.
std::vector<std::uint8_t> MakeDataFrame(std::uint16_t recordNumber, std::span<const std::uint8_t> record);
// An end frame with the given result byte ('0' for success).
std::vector<std::uint8_t> MakeEndFrame(char result);
// True when ack acknowledges frame: the same size, bytes 2 and 3 "15", every other byte equal.
bool IsAckOf(std::span<const std::uint8_t> ack, std::span<const std::uint8_t> frame);

struct SimulatorOptions {
  // Records 1, 2, ... of 1024 bytes; a partial last record is not served. The
  // bytes belong to the caller, so many gateways can serve one image.
  std::span<const std::uint8_t> image;
  std::size_t records = 0;  // serve only the first `records` records; 0 serves all
  SimFault fault = SimFault::None;
  std::size_t faultAfter = 0;  // frames sent as usual before the fault starts
  std::size_t segment = 0;     // nagle: bytes sent before waiting; 0 takes the connection's MSS
  std::chrono::milliseconds splitPause{1};
  // Waited before each DataFrame: a distant gateway's round trip.
  std::chrono::microseconds recordDelay{0};
  // Longest wait for the client at any one step (connection, request, acknowledgement, close).
  std::chrono::milliseconds idleWait{150000};
};

struct SimulatorResult {
  bool requestReceived = false;
  std::size_t framesSent = 0;  // complete frames written, the end frame included
  std::size_t acksRight = 0;
  std::size_t acksWrong =
      0;  // acknowledgements that did not match, or answers to frames that must not be answered
  std::size_t acksMissing = 0;  // data frames left unanswered although the exchange should have gone on
  bool endSent = false;
  bool clientClosed = false;  // the client closed the connection at the end
  std::string problem;        // what went wrong first, empty when nothing did

  bool AllAcksRight() const {
    return requestReceived && acksWrong == 0 && acksMissing == 0 && problem.empty();
  }
  std::string Summary() const;
};

// Serves one client that is already connected.
SimulatorResult ServeGatewayClient(SimConnection& client, const SimulatorOptions& options);

class GatewaySimulator {
 public:
  explicit GatewaySimulator(SimulatorOptions options) : options_(std::move(options)) {}

  // Listens on a dotted IPv4 address; port 0 takes any free port.
  platform::Status Listen(const std::string& address, std::uint16_t port);
  std::uint16_t Port() const { return listener_.Port(); }
  // Waits (at most idleWait) for one client and serves it.
  SimulatorResult ServeOne();
  // The same, serving `image` instead of the options' image.
  SimulatorResult ServeOne(std::span<const std::uint8_t> image);

 private:
  SimulatorOptions options_;
  SimListener listener_;
};

}  // namespace varkelo::tools
