#include "gateway/frames.hpp"

#include <algorithm>

namespace varkelo::gateway {
namespace {

std::uint8_t ByteAt(std::span<const std::uint8_t> frame, std::size_t i) {
  return i < frame.size() ? frame[i] : 0;
}

std::int32_t CodeValue(std::span<const std::uint8_t> frame) {
  return (ByteAt(frame, 2) - 48) * 10 + (ByteAt(frame, 3) - 48);
}

}  // namespace

std::optional<FrameHeader> ReadFrameHeader(std::span<const std::uint8_t> frame) {
  if (ByteAt(frame, 1) >= 0x80 || ByteAt(frame, 5) >= 0x80) return std::nullopt;
  return FrameHeader{.length = static_cast<std::int16_t>(ByteAt(frame, 0) + 256 * ByteAt(frame, 1)),
                     .frameCode = CodeValue(frame),
                     .recordNumber = static_cast<std::int16_t>(ByteAt(frame, 4) + 256 * ByteAt(frame, 5))};
}

std::vector<std::uint8_t> BuildAckFrame(std::span<const std::uint8_t> frame) {
  std::vector<std::uint8_t> ack(frame.begin(), frame.end());
  if (ack.size() < 4) ack.resize(4, 0);
  ack[2] = '1';
  ack[3] = '5';
  return ack;
}

std::size_t CompleteFrameSize(std::span<const std::uint8_t> buffered) {
  if (buffered.size() < 4) return 0;
  const std::int32_t code = CodeValue(buffered);
  const bool carriesRecord = !(buffered[0] == 2 && buffered[1] == 0);
  if (code == DataFrameCode && carriesRecord) return buffered.size() >= DataFrameSize ? DataFrameSize : 0;
  if (code == EndFrameCode) return buffered.size() >= EndFrameSize ? EndFrameSize : 0;
  return buffered.size();
}

}  // namespace varkelo::gateway
