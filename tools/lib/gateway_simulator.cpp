#include "lib/gateway_simulator.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <thread>
#include <utility>

namespace varkelo::tools {
namespace {

constexpr std::array<std::uint8_t, 4> ReadRequest = {0x02, 0x00, 0x30, 0x31};
constexpr std::size_t DefaultSegment = 536;  // the smallest MSS TCP assumes

struct FaultName {
  SimFault fault;
  std::string_view Name;
};

constexpr std::array<FaultName, 9> FaultNames = {{
    {SimFault::None, "none"},
    {SimFault::Split, "split"},
    {SimFault::Nagle, "nagle"},
    {SimFault::Joined, "joined"},
    {SimFault::Silent, "silent"},
    {SimFault::Close, "close"},
    {SimFault::Refuse, "refuse"},
    {SimFault::Malformed, "malformed"},
    {SimFault::Record0, "record0"},
}};

std::string HexBytes(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::uint8_t b : bytes) {
    char part[4];
    std::snprintf(part, sizeof part, "%02x ", b);
    text += part;
  }
  if (!text.empty()) text.pop_back();
  return text;
}

// One client, from the read request to the end of the exchange.
class Session {
 public:
  Session(SimConnection& client, const SimulatorOptions& options) : client_(client), options_(options) {}

  SimulatorResult Run() {
    if (!ReceiveRequest()) return result_;
    if (options_.fault == SimFault::Split || options_.fault == SimFault::Nagle) {
      // The pieces must leave as they are written, not joined by the sender's TCP.
      client_.SetNoDelay(true);
    }
    std::size_t records = options_.image.size() / SimRecordSize;
    if (options_.records > 0) records = std::min(records, options_.records);

    for (std::size_t i = 0; i < records; ++i) {
      if (i == options_.faultAfter && options_.fault == SimFault::Close) {
        client_.Close();
        return result_;
      }
      if (i == options_.faultAfter && options_.fault == SimFault::Silent) {
        AwaitClose("while silent");
        return result_;
      }
      std::vector<std::uint8_t> frame = MakeDataFrame(
          static_cast<std::uint16_t>(i + 1), options_.image.subspan(i * SimRecordSize, SimRecordSize));
      bool mustNotBeAnswered = false;
      if (i == options_.faultAfter && options_.fault == SimFault::Malformed) {
        frame[1] |= 0x80;
        mustNotBeAnswered = true;
      }
      if (i == options_.faultAfter && options_.fault == SimFault::Record0) {
        frame[4] = 0;
        frame[5] = 0;
        mustNotBeAnswered = true;
      }
      if (i + 1 == records && options_.fault == SimFault::Joined) {
        std::vector<std::uint8_t> both = frame;
        const std::vector<std::uint8_t> end = MakeEndFrame('0');
        both.insert(both.end(), end.begin(), end.end());
        if (!Write(both)) return result_;
        result_.framesSent += 2;
        result_.endSent = true;
        if (AwaitAck(frame, i + 1)) AwaitClose("after the end frame");
        return result_;
      }
      if (options_.recordDelay.count() > 0) std::this_thread::sleep_for(options_.recordDelay);
      if (!SendFrame(frame, i)) return result_;
      ++result_.framesSent;
      if (mustNotBeAnswered) {
        AwaitClose("after a frame that must not be acknowledged");
        return result_;
      }
      if (!AwaitAck(frame, i + 1)) return result_;
    }

    const std::vector<std::uint8_t> end = MakeEndFrame(options_.fault == SimFault::Refuse ? '1' : '0');
    if (!SendFrame(end, records)) return result_;
    ++result_.framesSent;
    result_.endSent = true;
    AwaitClose("after the end frame");
    return result_;
  }

 private:
  bool ReceiveRequest() {
    std::array<std::uint8_t, 4> request{};
    const ReadOutcome outcome = client_.ReadExactly(request, options_.idleWait);
    if (outcome != ReadOutcome::Ok) {
      result_.problem = "no read request";
      return false;
    }
    if (request != ReadRequest) {
      result_.problem = "unexpected request " + HexBytes(request);
      return false;
    }
    result_.requestReceived = true;
    return true;
  }

  bool Write(std::span<const std::uint8_t> bytes) {
    if (client_.WriteAll(bytes, options_.idleWait)) return true;
    if (result_.problem.empty()) result_.problem = "send failed";
    return false;
  }

  bool SendFrame(std::span<const std::uint8_t> frame, std::size_t index) {
    const bool faulty = index >= options_.faultAfter;
    if (faulty && options_.fault == SimFault::Split) {
      // Cuts inside the header, inside the record number and inside the record.
      static constexpr std::array<std::size_t, 5> cuts = {1, 3, 5, 6, 517};
      std::size_t done = 0;
      for (std::size_t cut : cuts) {
        if (cut >= frame.size()) break;
        if (!Write(frame.subspan(done, cut - done))) return false;
        std::this_thread::sleep_for(options_.splitPause);
        done = cut;
      }
      return Write(frame.subspan(done));
    }
    if (faulty && options_.fault == SimFault::Nagle) {
      // Classic Nagle: full segments go at once; a smaller tail waits until
      // everything sent before it has been acknowledged.
      const std::size_t segment = NagleSegment();
      std::size_t done = 0;
      while (frame.size() - done >= segment) {
        if (!Write(frame.subspan(done, segment))) return false;
        done += segment;
      }
      if (done == frame.size()) return true;
      if (!client_.WaitUntilAcknowledged(options_.idleWait)) {
        result_.problem = "sent bytes never acknowledged by TCP";
        return false;
      }
      return Write(frame.subspan(done));
    }
    return Write(frame);
  }

  std::size_t NagleSegment() {
    if (segment_ == 0) segment_ = options_.segment;
    if (segment_ == 0) segment_ = static_cast<std::size_t>(std::max(client_.SegmentSize(), 0));
    if (segment_ == 0) segment_ = DefaultSegment;
    return segment_;
  }

  bool AwaitAck(std::span<const std::uint8_t> frame, std::size_t recordNumber) {
    std::vector<std::uint8_t> ack(frame.size());
    const ReadOutcome outcome = client_.ReadExactly(ack, options_.idleWait);
    if (outcome != ReadOutcome::Ok) {
      ++result_.acksMissing;
      result_.problem = "no acknowledgement of record " + std::to_string(recordNumber) +
                        (outcome == ReadOutcome::Closed ? " (connection closed)" : " (timed out)");
      return false;
    }
    if (!IsAckOf(ack, frame)) {
      ++result_.acksWrong;
      result_.problem =
          "wrong acknowledgement of record " + std::to_string(recordNumber) + ": " +
          HexBytes(std::span<const std::uint8_t>(ack).first(std::min<std::size_t>(ack.size(), 8)));
      return false;
    }
    ++result_.acksRight;
    return true;
  }

  void AwaitClose(const char* when) {
    const CloseResult close = client_.WaitForClose(options_.idleWait);
    result_.clientClosed = close.closed;
    if (close.extraBytes > 0) {
      ++result_.acksWrong;
      if (result_.problem.empty()) {
        result_.problem = std::to_string(close.extraBytes) + " unexpected bytes " + when;
      }
    }
  }

  SimConnection& client_;
  const SimulatorOptions& options_;
  SimulatorResult result_;
  std::size_t segment_ = 0;  // nagle: taken once per connection
};

}  // namespace

std::optional<SimFault> ParseSimFault(std::string_view name) {
  for (const FaultName& entry : FaultNames) {
    if (entry.Name == name) return entry.fault;
  }
  return std::nullopt;
}

std::string_view SimFaultName(SimFault fault) {
  for (const FaultName& entry : FaultNames) {
    if (entry.fault == fault) return entry.Name;
  }
  return "?";
}

std::vector<std::uint8_t> MakeDataFrame(std::uint16_t recordNumber, std::span<const std::uint8_t> record) {
  std::vector<std::uint8_t> frame(6 + SimRecordSize, 0xFF);
  const std::uint8_t header[] = {0x04,
                                 0x04,
                                 '0',
                                 '5',
                                 static_cast<std::uint8_t>(recordNumber & 0xFF),
                                 static_cast<std::uint8_t>(recordNumber >> 8)};
  std::copy(std::begin(header), std::end(header), frame.begin());
  std::copy_n(record.begin(), std::min(record.size(), SimRecordSize), frame.begin() + 6);
  return frame;
}

std::vector<std::uint8_t> MakeEndFrame(char result) {
  return {0x02, 0x00, '1', '1', static_cast<std::uint8_t>(result)};
}

bool IsAckOf(std::span<const std::uint8_t> ack, std::span<const std::uint8_t> frame) {
  if (ack.size() != frame.size() || ack.size() < 4) return false;
  if (ack[2] != '1' || ack[3] != '5') return false;
  return ack[0] == frame[0] && ack[1] == frame[1] &&
         std::equal(ack.begin() + 4, ack.end(), frame.begin() + 4);
}

std::string SimulatorResult::Summary() const {
  std::string text = std::string("gateway_sim: ") + (AllAcksRight() ? "ok" : "FAILED") + ", request " +
                     (requestReceived ? "received" : "missing") + ", " + std::to_string(framesSent) +
                     " frames sent, " + std::to_string(acksRight) + " acks right, " +
                     std::to_string(acksWrong) + " wrong, " + std::to_string(acksMissing) +
                     " missing, end frame " + (endSent ? "sent" : "not sent") + ", client " +
                     (clientClosed ? "closed" : "did not close");
  if (!problem.empty()) text += " (" + problem + ")";
  return text;
}

SimulatorResult ServeGatewayClient(SimConnection& client, const SimulatorOptions& options) {
  return Session(client, options).Run();
}

platform::Status GatewaySimulator::Listen(const std::string& address, std::uint16_t port) {
  return listener_.Listen(address, port);
}

SimulatorResult GatewaySimulator::ServeOne() {
  return ServeOne(options_.image);
}

SimulatorResult GatewaySimulator::ServeOne(std::span<const std::uint8_t> image) {
  SimConnection client = listener_.Accept(options_.idleWait);
  if (!client.IsOpen()) {
    SimulatorResult result;
    result.problem = "no client connected";
    return result;
  }
  SimulatorOptions options = options_;
  options.image = image;
  return ServeGatewayClient(client, options);
}

}  // namespace varkelo::tools
