#pragma once

// The receiving side of a download, without any I/O: bytes of the gateway's
// stream in; records to store, acknowledgements to send and progress out,
// through FrameActions. The link gives it the socket and "read.nmd"; a test
// or a fuzzer gives it fakes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace varkelo::gateway {

// Frames of a whole image: the download progress reaches 100 there.
inline constexpr std::int32_t ProgressFrames = 8970;

// Download progress for a frame count: the integer part of frames * 100 /
// 8970, kept within 0 to 100.
int DownloadProgress(std::int32_t frames);

class FrameActions {
 public:
  virtual ~FrameActions() = default;
  // Stores a whole 1024-byte record under its number (1 to 32767).
  virtual bool StoreRecord(std::int32_t recordNumber, std::span<const std::uint8_t> record) = 0;
  // Sends the acknowledgement of one whole data frame.
  virtual bool SendAck(std::span<const std::uint8_t> ack) = 0;
  virtual void OnAcknowledged() = 0;
  // Share of the whole image received, 0 to 100.
  virtual void OnProgress(int percent) = 0;
};

// Where the stream stands after the bytes taken so far.
enum class StreamState {
  Open,       // the end frame has not come yet
  Succeeded,  // the end frame reported success
  Refused,    // the end frame reported failure
  // A frame could not be handled, even at a second try, because:
  BadFrame,    // its header cannot be read, or it names record 0, or its bytes cannot be kept
  NotStored,   // its record could not be stored
  AckNotSent,  // its acknowledgement could not be sent
};

class FrameReceiver {
 public:
  explicit FrameReceiver(FrameActions& actions) : actions_(actions) {}

  // Forgets buffered bytes and counted frames, for a new download.
  void Reset();
  // Takes the next bytes of the stream and handles every frame they complete.
  // Once the state is no longer Open, further bytes are ignored.
  StreamState Take(std::span<const std::uint8_t> bytes);

  StreamState State() const { return state_; }
  // Part of a frame has come and the rest is awaited.
  bool HoldsPartOfFrame() const { return !buffer_.empty(); }
  // Frames handled in this download (saturates).
  std::int32_t ReceivedFrames() const { return receivedFrames_; }

 private:
  // Handles the first `size` buffered bytes as one frame: Open when it was
  // handled and the stream goes on, else how the stream ends.
  StreamState HandleFrame(std::size_t size);
  StreamState TryHandleFrame(std::size_t size);

  FrameActions& actions_;
  // TCP delivers a byte stream: bytes wait here until they make a complete frame.
  std::vector<std::uint8_t> buffer_;
  StreamState state_ = StreamState::Open;
  std::int32_t receivedFrames_ = 0;
};

}  // namespace varkelo::gateway
