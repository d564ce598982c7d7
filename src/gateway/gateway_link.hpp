#pragma once

// The link to one gateway: one TCP connection, the read request, the
// stop-and-wait download of the memory image into "read.nmd" with one
// acknowledgement per record, and the time-outs. Everything runs as handlers
// on the owner's event loop; what happens is reported through LinkObserver.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include <asio.hpp>

#include "gateway/frame_receiver.hpp"
#include "gateway/image_file.hpp"
#include "gateway/link_observer.hpp"

namespace varkelo::gateway {

struct LinkOptions {
  // How long the link waits for the connection before giving up.
  std::chrono::milliseconds connectWait{5000};
  // The response timer's tick; a download ends after responseTimeoutTicks
  // ticks in a row without an arrival.
  std::chrono::milliseconds tickInterval{1000};
  std::int32_t responseTimeoutTicks = 100;
  // How long one frame may wait for room in the socket's send buffer.
  std::chrono::milliseconds sendWait{5000};
  std::uint16_t port = 12000;
};

class GatewayLink : private FrameActions {
 public:
  GatewayLink(asio::io_context& io, LinkObserver& observer, LinkOptions options = {});
  ~GatewayLink();
  GatewayLink(const GatewayLink&) = delete;
  GatewayLink& operator=(const GatewayLink&) = delete;

  // Starts connecting to the gateway and, once connected, downloading its
  // image into imagePath. False, with nothing started, when the socket cannot
  // start a connection; otherwise OnDownloadFinished follows in every case.
  bool Start(const std::array<std::uint8_t, 4>& address, std::filesystem::path imagePath);

  // Ends a download that has not finished: closes the connection at once and
  // reports the outcome Stopped before it returns. Nothing when none runs.
  void Stop();

  bool Connected() const { return state_ == SocketState::Connected; }
  // Frames taken from the gateway in this download (saturates).
  std::int32_t ReceivedFrames() const { return receiver_.ReceivedFrames(); }

 private:
  enum class SocketState { Closed, Connecting, Connected };

  bool Connect();
  void Disconnect();
  void Finish(LinkOutcome outcome, std::error_code error = {});
  void BeginConnectWait();
  void ContinueConnectWait();
  void OnConnected(const std::error_code& error);
  void SendRequest();
  void WaitForNextTick();
  void OnResponseTick();
  void StartRead();
  void OnRead(const std::error_code& error, std::size_t n);
  // Takes n more bytes of the stream and handles every complete frame in it.
  void OnBytesReceived(std::size_t n);
  bool SendFrame(std::span<const std::uint8_t> frame);

  // FrameActions: "read.nmd" and the socket.
  bool StoreRecord(std::int32_t recordNumber, std::span<const std::uint8_t> record) override;
  bool SendAck(std::span<const std::uint8_t> ack) override { return SendFrame(ack); }
  void OnAcknowledged() override { observer_.OnDataFrameAcknowledged(); }
  void OnProgress(int percent) override { observer_.OnDownloadProgress(percent); }

  // Handlers of an earlier connection, or of a destroyed link, stay quiet.
  template <typename Handler>
  auto Guarded(Handler handler);

  LinkObserver& observer_;
  LinkOptions options_;
  asio::ip::tcp::socket socket_;
  asio::steady_timer connectWaitTimer_;
  asio::steady_timer responseTimer_;
  std::array<std::uint8_t, 4> address_{};
  std::optional<ImageFile> image_;

  SocketState state_ = SocketState::Closed;
  std::uint64_t connection_ = 0;
  bool connectWaiting_ = false;
  bool responseTicking_ = false;
  bool finished_ = true;
  std::int32_t waitTicks_ = 0;
  // Of the download under way, for its LinkResult.
  std::int32_t recordsStored_ = 0;
  std::optional<platform::Failure> imageFailure_;

  FrameReceiver receiver_{*this};
  std::array<std::uint8_t, 16384> readChunk_{};
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace varkelo::gateway
