#include "gateway/frame_receiver.hpp"

#include <algorithm>
#include <limits>

#include "gateway/frames.hpp"

namespace varkelo::gateway {
namespace {

bool Failed(StreamState state) {
  return state == StreamState::BadFrame || state == StreamState::NotStored ||
         state == StreamState::AckNotSent;
}

}  // namespace

int DownloadProgress(std::int32_t frames) {
  if (frames <= 0) return 0;
  const std::int64_t value = static_cast<std::int64_t>(frames) * 100 / ProgressFrames;
  return static_cast<int>(std::min<std::int64_t>(value, 100));
}

void FrameReceiver::Reset() {
  buffer_.clear();
  state_ = StreamState::Open;
  receivedFrames_ = 0;
}

StreamState FrameReceiver::Take(std::span<const std::uint8_t> bytes) {
  if (state_ != StreamState::Open) return state_;
  try {
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
  } catch (...) {
    // Bytes that cannot be kept leave the stream impossible to follow.
    state_ = StreamState::BadFrame;
    return state_;
  }
  while (state_ == StreamState::Open) {
    const std::size_t size = CompleteFrameSize(buffer_);
    if (size == 0) break;  // the rest of the frame is still on its way
    const std::int32_t framesBefore = receivedFrames_;
    state_ = TryHandleFrame(size);
    if (Failed(state_)) {
      // One more try with the same bytes; the frame still counts once.
      receivedFrames_ = framesBefore;
      state_ = TryHandleFrame(size);
    }
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(size));
  }
  return state_;
}

StreamState FrameReceiver::TryHandleFrame(std::size_t size) {
  try {
    return HandleFrame(size);
  } catch (...) {
    return StreamState::BadFrame;
  }
}

StreamState FrameReceiver::HandleFrame(std::size_t size) {
  const std::span<const std::uint8_t> frame(buffer_.data(), size);
  if (receivedFrames_ < std::numeric_limits<std::int32_t>::max()) ++receivedFrames_;
  actions_.OnProgress(DownloadProgress(receivedFrames_));

  const std::optional<FrameHeader> header = ReadFrameHeader(frame);
  if (!header) return StreamState::BadFrame;

  if (header->frameCode == DataFrameCode) {
    if (header->length != 2) {
      // Only a whole data frame carries a whole record, and records count from 1.
      if (frame.size() < DataFrameSize || header->recordNumber < 1) return StreamState::BadFrame;
      // The record is stored before the gateway hears that it arrived.
      if (!actions_.StoreRecord(header->recordNumber, frame.subspan(6, RecordSize)))
        return StreamState::NotStored;
    }
    if (!actions_.SendAck(BuildAckFrame(frame))) return StreamState::AckNotSent;
    actions_.OnAcknowledged();
    return StreamState::Open;
  }

  if (header->frameCode == EndFrameCode) {
    actions_.OnProgress(100);
    return frame.size() > 4 && frame[4] == '0' ? StreamState::Succeeded : StreamState::Refused;
  }
  // Any other code only counts towards the progress.
  return StreamState::Open;
}

}  // namespace varkelo::gateway
