#include "gateway/gateway_link.hpp"

#include <algorithm>
#include <limits>
#include <utility>

#include "gateway/frames.hpp"
#include "platform/socket_tuning.hpp"

namespace varkelo::gateway {

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
  if (imagePath.empty() || !Connect()) return false;
  // Started at the first record, put in place or dropped when the download ends.
  image_.emplace(std::move(imagePath));
  finished_ = false;
  receiver_.Reset();
  recordsStored_ = 0;
  imageFailure_.reset();
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
  state_ = SocketState::Connecting;
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
  state_ = SocketState::Closed;
  connectWaiting_ = false;
  connectWaitTimer_.cancel();
  responseTicking_ = false;
  responseTimer_.cancel();
}

void GatewayLink::Stop() {
  Finish(LinkOutcome::Stopped);
}

void GatewayLink::Finish(LinkOutcome outcome, std::error_code error) {
  Disconnect();
  if (finished_) return;
  finished_ = true;
  // Only a whole image replaces "read.nmd"; one the disk did not take fails
  // a download that seemed whole, and the earlier image stays.
  if (outcome != LinkOutcome::Downloaded) {
    image_->Discard();
  } else if (const platform::Status committed = image_->Commit(); !committed) {
    outcome = LinkOutcome::RecordNotStored;
    imageFailure_ = committed.Reason();
  }
  observer_.OnDownloadFinished(
      {.outcome = outcome,
       .error = error,
       .failure = outcome == LinkOutcome::RecordNotStored ? imageFailure_ : std::nullopt,
       .recordsStored = recordsStored_});
}

void GatewayLink::BeginConnectWait() {
  connectWaiting_ = true;
  connectWaitTimer_.expires_after(options_.connectWait);
  connectWaitTimer_.async_wait(Guarded([this](const std::error_code& error) {
    if (error || !connectWaiting_) return;
    Finish(LinkOutcome::NotConnected);
  }));
  ContinueConnectWait();
}

void GatewayLink::ContinueConnectWait() {
  if (!connectWaiting_ || state_ != SocketState::Connected) return;
  connectWaiting_ = false;
  connectWaitTimer_.cancel();
  SendRequest();
}

void GatewayLink::OnConnected(const std::error_code& error) {
  if (error) {
    // Refused or unreachable: waiting longer brings no connection.
    Finish(LinkOutcome::ConnectionRefused, error);
    return;
  }
  // Sends never block the loop; set once here, since Windows can only set it
  // on the socket itself, and a call per frame costs more than the frame.
  std::error_code nonBlocking;
  socket_.non_blocking(true, nonBlocking);
  if (nonBlocking) {
    // A socket that could block the one thread is no usable connection.
    Finish(LinkOutcome::ConnectionRefused, nonBlocking);
    return;
  }
  state_ = SocketState::Connected;
  // A gateway that holds back the rest of a frame until its first part is
  // acknowledged must not wait for a delayed acknowledgement on every frame.
  platform::TuneForStopAndWait(static_cast<platform::SocketHandle>(socket_.native_handle()));
  StartRead();
  ContinueConnectWait();
}

void GatewayLink::SendRequest() {
  if (!SendFrame(ReadRequestFrame)) {
    Finish(LinkOutcome::RequestNotSent);
    return;
  }
  // The time-out counts from the request, however long its owner takes to hear of it.
  waitTicks_ = 0;
  responseTimer_.expires_after(options_.tickInterval);
  WaitForNextTick();
  observer_.OnRequestSent();
}

void GatewayLink::WaitForNextTick() {
  responseTicking_ = true;
  responseTimer_.async_wait(Guarded([this](const std::error_code& error) {
    if (error || !responseTicking_) return;
    responseTicking_ = false;
    OnResponseTick();
  }));
}

void GatewayLink::OnResponseTick() {
  // The time-out is the gateway's silence, not the program's: bytes that
  // came while the process was stopped (a laptop asleep, SIGSTOP) and wait
  // for the read handler end the silence, and the ticks start anew from now.
  if (std::error_code unread; socket_.is_open() && socket_.available(unread) > 0) {
    waitTicks_ = 0;
    responseTimer_.expires_after(options_.tickInterval);
    WaitForNextTick();
    return;
  }
  if (waitTicks_ < std::numeric_limits<std::int32_t>::max()) ++waitTicks_;
  if (waitTicks_ >= options_.responseTimeoutTicks) {
    Finish(LinkOutcome::NoResponse);
    return;
  }
  observer_.OnSilence(options_.tickInterval * waitTicks_);
  // Due one interval after this tick was due, not after it ran: a busy
  // machine that runs ticks late does not stretch the time-out.
  responseTimer_.expires_at(responseTimer_.expiry() + options_.tickInterval);
  WaitForNextTick();
}

void GatewayLink::StartRead() {
  socket_.async_read_some(asio::buffer(readChunk_),
                          Guarded([this](const std::error_code& error, std::size_t n) { OnRead(error, n); }));
}

void GatewayLink::OnRead(const std::error_code& error, std::size_t n) {
  if (error) {
    // Nothing more can arrive. A connection closed in order has no reason to
    // give; a broken one keeps the system's.
    Finish(LinkOutcome::ClosedEarly, error == asio::error::eof ? std::error_code() : error);
    return;
  }
  const std::uint64_t connection = connection_;
  OnBytesReceived(n);
  if (connection != connection_) return;
  // A whole frame is answered at once by its acknowledgement frame, which
  // carries TCP's acknowledgement too; only part of a frame needs one of its
  // own now, for a gateway that sends the rest only once the first part is
  // acknowledged. An extra one per record would double the packets.
  if (receiver_.HoldsPartOfFrame())
    platform::RenewAfterRead(static_cast<platform::SocketHandle>(socket_.native_handle()));
  StartRead();
}

void GatewayLink::OnBytesReceived(std::size_t n) {
  waitTicks_ = 0;
  // Ticks overdue when bytes arrive fell due while the process was held up,
  // not while the gateway was silent: they start anew from now.
  if (responseTicking_ && responseTimer_.expiry() < std::chrono::steady_clock::now()) {
    responseTimer_.expires_after(options_.tickInterval);
    WaitForNextTick();
  }
  switch (receiver_.Take(std::span(readChunk_).first(std::min(n, readChunk_.size())))) {
    case StreamState::Open:
      return;
    case StreamState::Succeeded:
      Finish(LinkOutcome::Downloaded);
      return;
    case StreamState::Refused:
      Finish(LinkOutcome::Refused);
      return;
    case StreamState::BadFrame:
      Finish(LinkOutcome::BadFrame);
      return;
    case StreamState::NotStored:
      Finish(LinkOutcome::RecordNotStored);
      return;
    case StreamState::AckNotSent:
      Finish(LinkOutcome::AckNotSent);
      return;
  }
}

bool GatewayLink::StoreRecord(std::int32_t recordNumber, std::span<const std::uint8_t> record) {
  if (platform::Status stored = image_->Write(recordNumber, record); !stored) {
    imageFailure_ = stored.Reason();
    return false;
  }
  ++recordsStored_;
  return true;
}

bool GatewayLink::SendFrame(std::span<const std::uint8_t> frame) {
  if (!socket_.is_open()) return false;
  // A gateway that takes nothing for sendWait is not reading our frames.
  return platform::SendWithin(static_cast<platform::SocketHandle>(socket_.native_handle()), frame,
                              options_.sendWait) == platform::SendOutcome::Sent;
}

}  // namespace varkelo::gateway
