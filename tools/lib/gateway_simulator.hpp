#pragma once

// A smart gateway on a TCP port, for trying the reading program without one:
// it takes one client, waits for the read request, sends its image as one
// DataFrame per 1024-byte record, checks every acknowledgement and ends with
// an EndFrame. Fault modes make it behave the way a real network or a broken
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
  none,
  split,      // every frame from FaultAfter on in several small writes, with pauses
  nagle,      // a sender that holds back the tail of each frame until its start is acknowledged
  joined,     // the last DataFrame and the EndFrame in one write
  silent,     // after FaultAfter frames nothing more is sent; the connection stays open
  close,      // the connection is closed after FaultAfter frames
  refuse,     // the EndFrame reports failure ('1')
  malformed,  // frame FaultAfter + 1 has a length whose high byte is 0x80
  record0,    // frame FaultAfter + 1 carries RecordNumber 0
};

std::optional<SimFault> ParseSimFault(std::string_view name);
std::string_view SimFaultName(SimFault fault);

inline constexpr std::size_t SimRecordSize = 1024;

// A DataFrame as a gateway sends it: length 1028, code "05", the record number, the record.
std::vector<std::uint8_t> MakeDataFrame(std::uint16_t recordNumber, std::span<const std::uint8_t> record);
// An EndFrame with the given result byte ('0' for success).
std::vector<std::uint8_t> MakeEndFrame(char result);
// True when ack acknowledges frame: the same size, bytes 2 and 3 "15", every other byte equal.
bool IsAckOf(std::span<const std::uint8_t> ack, std::span<const std::uint8_t> frame);

struct SimulatorOptions {
  std::vector<std::uint8_t> Image;  // records 1, 2, ... of 1024 bytes; a partial last record is not served
  std::size_t Records = 0;          // serve only the first Records records; 0 serves all
  SimFault Fault = SimFault::none;
  std::size_t FaultAfter = 0;  // frames sent as usual before the fault starts
  std::size_t Segment = 0;     // nagle: bytes sent before waiting; 0 takes the connection's MSS
  std::chrono::milliseconds SplitPause{1};
  // Longest wait for the client at any one step (connection, request, acknowledgement, close).
  std::chrono::milliseconds IdleWait{150000};
};

struct SimulatorResult {
  bool RequestReceived = false;
  std::size_t FramesSent = 0;  // complete frames written, the EndFrame included
  std::size_t AcksRight = 0;
  std::size_t AcksWrong =
      0;  // acknowledgements that did not match, or answers to frames that must not be answered
  std::size_t AcksMissing = 0;  // DataFrames left unanswered although the exchange should have gone on
  bool EndSent = false;
  bool ClientClosed = false;  // the client closed the connection at the end
  std::string Problem;        // what went wrong first, empty when nothing did

  bool AllAcksRight() const {
    return RequestReceived && AcksWrong == 0 && AcksMissing == 0 && Problem.empty();
  }
  std::string Summary() const;
};

// Serves one client that is already connected.
SimulatorResult ServeGatewayClient(SimConnection& client, const SimulatorOptions& options);

class GatewaySimulator {
 public:
  explicit GatewaySimulator(SimulatorOptions options) : options_(std::move(options)) {}

  // Listens on a dotted IPv4 address; port 0 takes any free port.
  bool Listen(const std::string& address, std::uint16_t port, std::string* problem = nullptr);
  std::uint16_t Port() const { return listener_.Port(); }
  // Waits (at most IdleWait) for one client and serves it.
  SimulatorResult ServeOne();

 private:
  SimulatorOptions options_;
  SimListener listener_;
};

}  // namespace varkelo::tools
