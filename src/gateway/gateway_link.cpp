#include "gateway/gateway_link.hpp"

#include <algorithm>
#include <cerrno>
#include <limits>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include "gateway/frames.hpp"
#include "gateway/image_record.hpp"

namespace varkelo::gateway {
namespace {

// How long one frame may wait for room in the socket's send buffer. A gateway
// that takes nothing for this long is not reading our acknowledgements.
constexpr std::chrono::milliseconds SendWait{5000};

}  // namespace

int CommProgress(std::int32_t frames) {
  if (frames <= 0) return 0;
  const std::int64_t value = static_cast<std::int64_t>(frames) * 100 / ProgressFrames;
  return static_cast<int>(std::min<std::int64_t>(value, 100));
}

GatewayLink::GatewayLink(asio::io_context& io, LinkHost& host, LinkOptions options)
    : host_(host), options_(options), socket_(io), connectWaitTimer_(io) {}

GatewayLink::~GatewayLink() {
  alive_.reset();
  std::error_code ignored;
  socket_.close(ignored);
  connectWaitTimer_.cancel();
}

bool GatewayLink::StartReading(const std::filesystem::path& appFolder,
                               const std::array<std::uint8_t, 4>& address, std::string_view addressText) {
  address_ = address;
  addressText_ = std::string(addressText);
  ImagePath = appFolder.empty() ? std::filesystem::path() : appFolder / "read.nmd";
  // Without a folder there is nowhere to store the image; the caller ends the run.
  if (ImagePath.empty()) return false;
  if (!ConnectGateway()) return false;
  host_.SetStatusText(StatusText("に接続中"));
  TransferPhase = ReadRequestPhase;
  ReceivedFrames = 0;
  host_.SetCommProgress(0);
  host_.StartDeferredStep(DeferredStep::timSend);
  return true;
}

bool GatewayLink::ConnectGateway() {
  std::error_code error;
  socket_.close(error);
  ++connection_;
  streamBuffer_.clear();
  state_ = SocketState::closed;

  socket_.open(asio::ip::tcp::v4(), error);
  if (error) return false;
  // Acknowledgements go out at once, not held back to be joined with later bytes.
  socket_.set_option(asio::ip::tcp::no_delay(true), error);
  if (error) {
    socket_.close(error);
    return false;
  }
  state_ = SocketState::connecting;
  const asio::ip::tcp::endpoint gateway(asio::ip::address_v4(address_), options_.Port);
  socket_.async_connect(gateway, [this, alive = std::weak_ptr<int>(alive_),
                                  connection = connection_](const std::error_code& result) {
    if (alive.expired() || connection != connection_) return;
    OnConnected(result);
  });
  host_.SetUnloadAllowed(false);
  return true;
}

void GatewayLink::DisconnectGateway() {
  if (socket_.is_open()) {
    std::error_code ignored;
    socket_.close(ignored);
  }
  ++connection_;
  streamBuffer_.clear();
  state_ = SocketState::closed;
  timer1Running_ = false;
  host_.StopTimer1();
  host_.SetUnloadAllowed(true);
}

bool GatewayLink::SendRequest(std::int16_t phase) {
  const std::array<std::uint8_t, 4> frame = BuildRequestFrame(phase);
  const std::string status = RequestStatusText(phase, addressText_);
  if (!status.empty()) host_.SetStatusText(status);
  if (!SendFrame(frame)) {
    timer1Running_ = false;
    host_.StopTimer1();
    DisconnectGateway();
    host_.SetStatusText("送信エラー");
    // An unattended run must still end and write its report; ResultCode stays as it is.
    host_.StartDeferredStep(DeferredStep::timEnd);
    return false;
  }
  WaitTicks = 0;
  timer1Running_ = true;
  host_.StartTimer1();
  return true;
}

bool GatewayLink::HandleFrame(std::size_t n) {
  n = std::min(n, streamBuffer_.size());
  const std::span<const std::uint8_t> frame(streamBuffer_.data(), n);
  if (ReceivedFrames < std::numeric_limits<std::int16_t>::max()) ++ReceivedFrames;
  host_.SetCommProgress(CommProgress(ReceivedFrames));

  FrameHeader header;
  if (!ReadFrameHeader(frame, header)) return false;

  if (header.FrameCode == DataFrameCode) {
    const std::vector<std::uint8_t> ack = BuildAckFrame(frame);
    if (header.Length != 2) {
      // Only a whole DataFrame carries a whole record; a shorter one is never written.
      if (frame.size() < DataFrameSize) return false;
      // The record is on disk before the gateway hears that it arrived.
      if (!WriteImageRecord(ImagePath, header.RecordNumber, frame.subspan(6, RecordSize))) return false;
    }
    if (!SendFrame(ack)) return false;
    host_.SetStatusText(StatusText("の読込みデータ転送中"));
    return true;
  }

  if (header.FrameCode == EndFrameCode) {
    const bool transferSucceeded = frame.size() > 4 && frame[4] == '0';
    host_.SetCommProgress(100);
    DisconnectGateway();
    if (transferSucceeded) {
      host_.StartDeferredStep(DeferredStep::timCSV);
    } else {
      host_.SetResultCode(4);
      host_.StartDeferredStep(DeferredStep::timEnd);
    }
  }
  // Any other code only counts towards the progress.
  return true;
}

bool GatewayLink::TryHandleFrame(std::size_t n) {
  try {
    return HandleFrame(n);
  } catch (...) {
    return false;
  }
}

void GatewayLink::timSend_Timer() {
  connectWaitStart_ = std::chrono::steady_clock::now();
  connectWaiting_ = true;
  connectWaitTimer_.expires_at(connectWaitStart_ + options_.ConnectWait);
  connectWaitTimer_.async_wait([this, alive = std::weak_ptr<int>(alive_)](const std::error_code&) {
    if (alive.expired() || !connectWaiting_) return;
    ContinueConnectWait();
  });
  ContinueConnectWait();
}

void GatewayLink::ContinueConnectWait() {
  if (!connectWaiting_) return;
  if (state_ == SocketState::connected) {
    connectWaiting_ = false;
    connectWaitTimer_.cancel();
    SendRequest(TransferPhase);
    if (TransferPhase == 3) host_.StartDeferredStep(DeferredStep::timClose);
    return;
  }
  // Any other state, a refused or failed connection included, waits for the limit.
  if (std::chrono::steady_clock::now() - connectWaitStart_ < options_.ConnectWait) return;
  connectWaiting_ = false;
  DisconnectGateway();
  host_.SetStatusText(StatusText("のタイムアウト"));
  host_.SetResultCode(3);
  host_.StartDeferredStep(DeferredStep::timEnd);
}

void GatewayLink::Timer1_Timer() {
  // A tick already on its way when Timer1 stopped changes nothing.
  if (!timer1Running_) return;
  if (WaitTicks < std::numeric_limits<std::int32_t>::max()) ++WaitTicks;
  if (WaitTicks >= ResponseTimeoutTicks) EndLikeTimeout();
}

void GatewayLink::Winsock1_DataArrival(std::size_t n) {
  WaitTicks = 0;
  n = std::min(n, readChunk_.size());
  try {
    streamBuffer_.insert(streamBuffer_.end(), readChunk_.begin(), readChunk_.begin() + n);
  } catch (...) {
    // Bytes that cannot be kept leave the stream impossible to follow.
    EndLikeTimeout();
    return;
  }
  // Nothing below yields to the event loop, so this cannot be entered again while
  // busy; if it were, the loop that is running takes the new bytes too.
  if (ReceiveBusy) return;
  ReceiveBusy = true;
  const std::uint64_t connection = connection_;
  while (connection == connection_) {
    const std::size_t size = CompleteFrameSize(streamBuffer_);
    if (size == 0) break;  // the rest of the frame is still on its way
    const std::int16_t framesBefore = ReceivedFrames;
    bool handled = TryHandleFrame(size);
    if (!handled && connection == connection_) {
      // One restart with the same bytes; the frame is still counted once.
      ReceivedFrames = framesBefore;
      handled = TryHandleFrame(size);
    }
    if (!handled) {
      EndLikeTimeout();
      break;
    }
    if (connection != connection_) break;  // the frame ended the link
    streamBuffer_.erase(streamBuffer_.begin(), streamBuffer_.begin() + static_cast<std::ptrdiff_t>(size));
  }
  ReceiveBusy = false;
}

void GatewayLink::timClose_Timer() {
  DisconnectGateway();
  host_.SetStatusText("未接続");
}

void GatewayLink::OnConnected(const std::error_code& error) {
  if (error) {
    state_ = SocketState::broken;
    return;
  }
  state_ = SocketState::connected;
  ArmQuickAck();
  StartRead();
  ContinueConnectWait();
}

void GatewayLink::StartRead() {
  socket_.async_read_some(asio::buffer(readChunk_),
                          [this, alive = std::weak_ptr<int>(alive_), connection = connection_](
                              const std::error_code& error, std::size_t n) {
                            if (alive.expired() || connection != connection_) return;
                            OnRead(error, n);
                          });
}

void GatewayLink::OnRead(const std::error_code& error, std::size_t n) {
  if (error) {
    // The link has no handler for a broken or closed connection: reading stops
    // and the response time-out ends the run.
    state_ = SocketState::broken;
    return;
  }
  ArmQuickAck();
  const std::uint64_t connection = connection_;
  Winsock1_DataArrival(n);
  if (connection == connection_) StartRead();
}

void GatewayLink::EndLikeTimeout() {
  DisconnectGateway();
  host_.SetStatusText(StatusText("のタイムアウト"));
  host_.SetCommProgress(0);
  host_.SetResultCode(4);
  host_.StartDeferredStep(DeferredStep::timEnd);
}

bool GatewayLink::SendFrame(std::span<const std::uint8_t> frame) {
  if (!socket_.is_open()) return false;
  const int fd = socket_.native_handle();
  const auto deadline = std::chrono::steady_clock::now() + SendWait;
  std::size_t sent = 0;
  // One send of the whole frame; the loop only finishes what a full send buffer cut short.
  while (sent < frame.size()) {
    const ssize_t n = ::send(fd, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd writable{fd, POLLOUT, 0};
      ::poll(&writable, 1, static_cast<int>(left.count()));
      continue;
    }
    return false;
  }
  return true;
}

void GatewayLink::ArmQuickAck() {
#ifdef __linux__
  // Linux delays the ACK of a received segment by up to 40 ms, hoping to join it
  // with our answer. A gateway that holds back the rest of a frame until its
  // first part is acknowledged would wait that long on every frame. The setting
  // does not stick, so it is renewed after every read.
  const int on = 1;
  ::setsockopt(socket_.native_handle(), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#endif
}

std::string GatewayLink::StatusText(std::string_view tail) const {
  return "「" + addressText_ + "」のスマートゲートウェイ" + std::string(tail);
}

}  // namespace varkelo::gateway
