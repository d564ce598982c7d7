#include "gateway/gateway_link.hpp"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <utility>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include "gateway/frames.hpp"
#include "gateway/image_record.hpp"

namespace varkelo::gateway {

int DownloadProgress(std::int32_t frames) {
  if (frames <= 0) return 0;
  const std::int64_t value = static_cast<std::int64_t>(frames) * 100 / ProgressFrames;
  return static_cast<int>(std::min<std::int64_t>(value, 100));
}

GatewayLink::GatewayLink(asio::io_context& io, LinkObserver& observer, LinkOptions options)
    : observer_(observer), options_(options), socket_(io), connectWaitTimer_(io), responseTimer_(io) {}

GatewayLink::~GatewayLink() {
  alive_.reset();
  std::error_code ignored;
  socket_.close(ignored);
  connectWaitTimer_.cancel();
  responseTimer_.cancel();
}

template <typename Handler>
auto GatewayLink::Guarded(Handler handler) {
  return [this, alive = std::weak_ptr<int>(alive_), connection = connection_,
          handler = std::move(handler)](auto&&... args) mutable {
    if (alive.expired() || connection != connection_) return;
    handler(std::forward<decltype(args)>(args)...);
  };
}

bool GatewayLink::Start(const std::array<std::uint8_t, 4>& address, std::filesystem::path imagePath) {
  address_ = address;
  imagePath_ = std::move(imagePath);
  if (imagePath_.empty() || !Connect()) return false;
  finished_ = false;
  receivedFrames_ = 0;
  observer_.OnDownloadProgress(0);
  // The wait for the connection begins once the caller's handler has returned.
  asio::post(socket_.get_executor(), Guarded([this] { BeginConnectWait(); }));
  return true;
}

bool GatewayLink::Connect() {
  Disconnect();
  std::error_code error;
  socket_.open(asio::ip::tcp::v4(), error);
  if (error) return false;
  // Acknowledgements go out at once, not held back to be joined with later bytes.
  socket_.set_option(asio::ip::tcp::no_delay(true), error);
  if (error) {
    socket_.close(error);
    return false;
  }
  state_ = SocketState::connecting;
  const asio::ip::address_v4 gateway(address_);
  // Connecting to 0.0.0.0 reaches this machine itself on some systems; a
  // gateway is never there, so that address simply never connects.
  if (gateway.is_unspecified()) return true;
  socket_.async_connect({gateway, options_.port},
                        Guarded([this](const std::error_code& result) { OnConnected(result); }));
  return true;
}

void GatewayLink::Disconnect() {
  std::error_code ignored;
  if (socket_.is_open()) socket_.close(ignored);
  ++connection_;
  streamBuffer_.clear();
  state_ = SocketState::closed;
  connectWaiting_ = false;
  connectWaitTimer_.cancel();
  responseTicking_ = false;
  responseTimer_.cancel();
}

void GatewayLink::Finish(LinkOutcome outcome) {
  Disconnect();
  if (finished_) return;
  finished_ = true;
  observer_.OnDownloadFinished(outcome);
}

void GatewayLink::BeginConnectWait() {
  connectWaiting_ = true;
  connectWaitTimer_.expires_after(options_.connectWait);
  connectWaitTimer_.async_wait(Guarded([this](const std::error_code& error) {
    if (error || !connectWaiting_) return;
    // Any state but connected, a refused or failed connection included, ends here.
    Finish(LinkOutcome::NotConnected);
  }));
  ContinueConnectWait();
}

void GatewayLink::ContinueConnectWait() {
  if (!connectWaiting_ || state_ != SocketState::connected) return;
  connectWaiting_ = false;
  connectWaitTimer_.cancel();
  SendRequest();
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

void GatewayLink::SendRequest() {
  if (!SendFrame(BuildRequestFrame(ReadRequestPhase))) {
    Finish(LinkOutcome::SendFailed);
    return;
  }
  observer_.OnRequestSent();
  waitTicks_ = 0;
  StartResponseTicks();
}

void GatewayLink::StartResponseTicks() {
  if (responseTicking_) return;
  responseTicking_ = true;
  responseTimer_.expires_after(options_.tickInterval);
  responseTimer_.async_wait(Guarded([this](const std::error_code& error) {
    if (error || !responseTicking_) return;
    responseTicking_ = false;
    OnResponseTick();
  }));
}

void GatewayLink::OnResponseTick() {
  if (waitTicks_ < std::numeric_limits<std::int32_t>::max()) ++waitTicks_;
  if (waitTicks_ >= options_.responseTimeoutTicks) {
    Finish(LinkOutcome::NoResponse);
    return;
  }
  StartResponseTicks();
}

void GatewayLink::StartRead() {
  socket_.async_read_some(asio::buffer(readChunk_),
                          Guarded([this](const std::error_code& error, std::size_t n) { OnRead(error, n); }));
}

void GatewayLink::OnRead(const std::error_code& error, std::size_t n) {
  if (error) {
    // A broken or closed connection is not acted on: nothing more arrives and
    // the response time-out ends the download.
    state_ = SocketState::broken;
    return;
  }
  ArmQuickAck();
  const std::uint64_t connection = connection_;
  OnBytesReceived(n);
  if (connection == connection_) StartRead();
}

void GatewayLink::OnBytesReceived(std::size_t n) {
  waitTicks_ = 0;
  n = std::min(n, readChunk_.size());
  try {
    streamBuffer_.insert(streamBuffer_.end(), readChunk_.begin(), readChunk_.begin() + n);
  } catch (...) {
    // Bytes that cannot be kept leave the stream impossible to follow.
    Finish(LinkOutcome::NoResponse);
    return;
  }
  // Nothing below yields to the event loop; should it ever, the loop already
  // running takes the new bytes too.
  if (receiving_) return;
  receiving_ = true;
  const std::uint64_t connection = connection_;
  while (connection == connection_) {
    const std::size_t size = CompleteFrameSize(streamBuffer_);
    if (size == 0) break;  // the rest of the frame is still on its way
    const std::int32_t framesBefore = receivedFrames_;
    bool handled = TryHandleFrame(size);
    if (!handled && connection == connection_) {
      // One more try with the same bytes; the frame still counts once.
      receivedFrames_ = framesBefore;
      handled = TryHandleFrame(size);
    }
    if (!handled) {
      Finish(LinkOutcome::NoResponse);
      break;
    }
    if (connection != connection_) break;  // the frame ended the download
    streamBuffer_.erase(streamBuffer_.begin(), streamBuffer_.begin() + static_cast<std::ptrdiff_t>(size));
  }
  receiving_ = false;
}

bool GatewayLink::TryHandleFrame(std::size_t size) {
  try {
    return HandleFrame(size);
  } catch (...) {
    return false;
  }
}

bool GatewayLink::HandleFrame(std::size_t size) {
  size = std::min(size, streamBuffer_.size());
  const std::span<const std::uint8_t> frame(streamBuffer_.data(), size);
  if (receivedFrames_ < std::numeric_limits<std::int32_t>::max()) ++receivedFrames_;
  observer_.OnDownloadProgress(DownloadProgress(receivedFrames_));

  FrameHeader header;
  if (!ReadFrameHeader(frame, header)) return false;

  if (header.FrameCode == DataFrameCode) {
    const std::vector<std::uint8_t> ack = BuildAckFrame(frame);
    if (header.Length != 2) {
      // Only a whole DataFrame carries a whole record; a shorter one is never written.
      if (frame.size() < DataFrameSize) return false;
      // The record is on disk before the gateway hears that it arrived.
      if (!WriteImageRecord(imagePath_, header.RecordNumber, frame.subspan(6, RecordSize))) return false;
    }
    if (!SendFrame(ack)) return false;
    observer_.OnDataFrameAcknowledged();
    return true;
  }

  if (header.FrameCode == EndFrameCode) {
    const bool transferSucceeded = frame.size() > 4 && frame[4] == '0';
    observer_.OnDownloadProgress(100);
    Finish(transferSucceeded ? LinkOutcome::Downloaded : LinkOutcome::Refused);
  }
  // Any other code only counts towards the progress.
  return true;
}

bool GatewayLink::SendFrame(std::span<const std::uint8_t> frame) {
  if (!socket_.is_open()) return false;
  const int fd = socket_.native_handle();
  const auto deadline = std::chrono::steady_clock::now() + options_.sendWait;
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
      // A gateway that takes nothing for this long is not reading our frames.
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

}  // namespace varkelo::gateway
