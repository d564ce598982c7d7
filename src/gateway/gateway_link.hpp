#pragma once

// The gateway link of the status window: one TCP connection to the gateway,
// the read request, the stop-and-wait download of the memory image into
// "read.nmd" with one acknowledgement per record, and the time-outs. Runs on
// the window's one event loop; the window reaches it through LinkHost and
// calls the timer handlers (timSend_Timer, timClose_Timer, Timer1_Timer) when
// its timers fire.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <asio.hpp>

#include "gateway/link_host.hpp"

namespace varkelo::gateway {

struct LinkOptions {
  std::chrono::milliseconds ConnectWait{5000};  // connect wait limit of timSend_Timer
  std::uint16_t Port = 12000;                   // the gateway's TCP port
};

inline constexpr std::int32_t ResponseTimeoutTicks = 100;  // ticks of Timer1 without an arrival
inline constexpr std::int32_t ProgressFrames = 8970;       // frames of a whole image, prgComm 100

// prgComm for a frame count: the integer part of frames * 100 / 8970, never
// above 100 (and never below 0).
int CommProgress(std::int32_t frames);

class GatewayLink {
 public:
  GatewayLink(asio::io_context& io, LinkHost& host, LinkOptions options = {});
  ~GatewayLink();
  GatewayLink(const GatewayLink&) = delete;
  GatewayLink& operator=(const GatewayLink&) = delete;

  // Starts a download run: ImagePath = appFolder / "read.nmd", connects, shows
  // the connecting status, resets the counters and starts timSend. False when
  // the run could not be started (no application folder, or the socket cannot
  // start a connection); the caller then ends the run as a start-up failure.
  bool StartReading(const std::filesystem::path& appFolder, const std::array<std::uint8_t, 4>& address,
                    std::string_view addressText);

  // Closes any connection and starts connecting to the gateway; the window may
  // not be unloaded from now on. False when the connection cannot be started.
  bool ConnectGateway();
  // Closes the socket if open, stops Timer1, and lets the window be unloaded.
  void DisconnectGateway();
  // Sends the RequestFrame of a phase and starts Timer1. On failure: "送信エラー",
  // the link is closed and the final step is started with ResultCode unchanged.
  bool SendRequest(std::int16_t phase);
  // Handles the first n bytes of the stream buffer as one complete frame.
  // False when the handling failed (unreadable header, RecordNumber 0, record
  // write or acknowledgement failed).
  bool HandleFrame(std::size_t n);

  // Deferred step: waits for the connection (at most LinkOptions::ConnectWait)
  // and sends the request.
  void timSend_Timer();
  // One tick of the response timer; the 100th quiet tick ends the run with
  // ResultCode 4. A tick that comes while Timer1 is stopped changes nothing.
  void Timer1_Timer();
  // An arrival of n bytes, taken from the socket's read chunk into the stream
  // buffer; every complete frame in it is handled in turn.
  void Winsock1_DataArrival(std::size_t n);
  // Deferred step: closes the link after a phase-3 request.
  void timClose_Timer();

  // True while the socket is connected to the gateway.
  bool Connected() const { return state_ == SocketState::connected; }

  // Link state, as the window holds it (the window also resets the counters at start-up).
  std::int16_t TransferPhase = 0;   // request sent by timSend_Timer; 0 is the read request
  std::int32_t WaitTicks = 0;       // ticks of Timer1 since the last request or arrival
  std::int16_t ReceivedFrames = 0;  // frames handled in this run; saturates at its maximum
  bool ReceiveBusy = false;         // set while an arrival is being taken in and handled
  std::filesystem::path ImagePath;  // AppFolder / "read.nmd"

 private:
  enum class SocketState { closed, connecting, connected, broken };

  void OnConnected(const std::error_code& error);
  void StartRead();
  void OnRead(const std::error_code& error, std::size_t n);
  void ContinueConnectWait();
  // HandleFrame with any exception (out of memory) taken as a failed handling.
  bool TryHandleFrame(std::size_t n);
  // Ends the run as a response time-out does: closed, time-out status, prgComm 0, ResultCode 4.
  void EndLikeTimeout();
  bool SendFrame(std::span<const std::uint8_t> frame);
  void ArmQuickAck();
  std::string StatusText(std::string_view tail) const;

  LinkHost& host_;
  LinkOptions options_;
  asio::ip::tcp::socket socket_;
  asio::steady_timer connectWaitTimer_;
  std::array<std::uint8_t, 4> address_{};
  std::string addressText_;

  SocketState state_ = SocketState::closed;
  // Counts connections; handlers of an earlier connection compare it and stay quiet.
  std::uint64_t connection_ = 0;
  bool connectWaiting_ = false;
  std::chrono::steady_clock::time_point connectWaitStart_;
  bool timer1Running_ = false;

  // TCP delivers a byte stream: bytes wait here until they make a complete frame.
  std::vector<std::uint8_t> streamBuffer_;
  std::array<std::uint8_t, 16384> readChunk_{};
  // Lets queued handlers notice that the link is gone.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace varkelo::gateway
