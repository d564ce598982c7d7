// Fuzz target: the frame functions of the link over an arbitrary byte stream
// cut into arbitrary arrivals, taken apart the way the link takes its receive
// buffer apart.
//
// Input: the stream and its cuts, as Arrivals (fuzz_check.hpp) reads them.

#include <cstring>

#include "fuzz_check.hpp"
#include "gateway/frames.hpp"

namespace {

namespace gw = varkelo::gateway;
using Bytes = std::vector<std::uint8_t>;

// --- Every call into the link's frame code; the one place to follow its renames. ---

struct Header {
  bool readable = false;
  std::int32_t length = 0, code = 0, recordNumber = 0;
};

Header ReadHeader(std::span<const std::uint8_t> frame) {
  const std::optional<gw::FrameHeader> header = gw::ReadFrameHeader(frame);
  if (!header) return {};
  return {true, header->length, header->frameCode, header->recordNumber};
}

using gw::BuildAckFrame, gw::CompleteFrameSize, gw::DataFrameSize, gw::EndFrameSize, gw::RecordSize;
constexpr std::int32_t DataCode = gw::DataFrameCode;
constexpr std::int32_t EndCode = gw::EndFrameCode;

// --- End of the calls. ---

std::uint8_t ByteOr0(std::span<const std::uint8_t> bytes, std::size_t i) {
  return i < bytes.size() ? bytes[i] : 0;
}

// The frame's code as the header spells it: two digits, tens first, whatever the bytes.
std::int32_t SpelledCode(std::span<const std::uint8_t> frame) {
  return (ByteOr0(frame, 2) - 48) * 10 + (ByteOr0(frame, 3) - 48);
}

void CheckHeader(std::span<const std::uint8_t> frame, const Header& header) {
  const bool highBitSet = ByteOr0(frame, 1) >= 0x80 || ByteOr0(frame, 5) >= 0x80;
  FUZZ_CHECK(header.readable == !highBitSet);
  if (!header.readable) return;
  FUZZ_CHECK(header.length == ByteOr0(frame, 0) + 256 * ByteOr0(frame, 1));
  FUZZ_CHECK(header.code == SpelledCode(frame));
  FUZZ_CHECK(header.recordNumber == ByteOr0(frame, 4) + 256 * ByteOr0(frame, 5));
}

void CheckAck(std::span<const std::uint8_t> frame, const Bytes& ack) {
  FUZZ_CHECK(ack.size() == std::max<std::size_t>(frame.size(), 4));
  FUZZ_CHECK(ack[0] == ByteOr0(frame, 0) && ack[1] == ByteOr0(frame, 1));
  FUZZ_CHECK(ack[2] == '1' && ack[3] == '5');
  // One comparison of the rest rather than a loop: it runs for every record.
  if (frame.size() > 4) FUZZ_CHECK(std::memcmp(ack.data() + 4, frame.data() + 4, frame.size() - 4) == 0);
}

// A frame of known size: a data frame that carries a record, or an end frame.
// Any other frame has no size of its own and takes whatever is buffered.
bool HasKnownSize(std::span<const std::uint8_t> frame) {
  const std::int32_t code = SpelledCode(frame);
  const bool carriesRecord = !(ByteOr0(frame, 0) == 2 && ByteOr0(frame, 1) == 0);
  return (code == DataCode && carriesRecord) || code == EndCode;
}

// What the link does with one complete frame, as far as the frame functions decide it.
void HandleFrame(std::span<const std::uint8_t> frame) {
  const Header header = ReadHeader(frame);
  CheckHeader(frame, header);
  if (!header.readable) return;
  if (header.code == DataCode) {
    // An acknowledgement goes only to a whole frame: a record frame is taken out of the stream only
    // when all 1030 bytes are there, and its record is 1024 bytes for a record number the file can hold.
    if (header.length != 2) {
      FUZZ_CHECK(frame.size() == DataFrameSize);
      FUZZ_CHECK(header.recordNumber >= 0 && header.recordNumber <= 32767);
      FUZZ_CHECK(frame.subspan(6).size() == RecordSize);
    }
    CheckAck(frame, BuildAckFrame(frame));
  } else if (header.code == EndCode) {
    FUZZ_CHECK(frame.size() == EndFrameSize);
  }
}

// Feeds the stream in arrivals and takes every complete frame off the buffer, as the link does.
// The buffered bytes are always the stream from the first byte not yet taken to the last byte
// arrived, so a window on the stream stands for the buffer. Returns the sizes of the frames taken
// up to the first one of unknown size, which swallows whatever was buffered and so depends on the cuts.
std::vector<std::size_t> TakeFrames(const Arrivals& arrivals) {
  const std::span<const std::uint8_t> stream = arrivals.stream;
  std::vector<std::size_t> taken;
  bool unknownSeen = false;
  std::size_t first = 0;    // first byte not yet taken as part of a frame
  std::size_t arrived = 0;  // end of the bytes arrived so far
  for (std::size_t arrival = 0; arrived < stream.size(); ++arrival) {
    arrived += arrivals.Size(arrival, arrived);
    while (true) {
      const std::span<const std::uint8_t> buffer = stream.subspan(first, arrived - first);
      const std::size_t size = CompleteFrameSize(buffer);
      FUZZ_CHECK(size <= buffer.size());
      if (size == 0) {
        // Waiting is right only while the header or a frame of known size is incomplete.
        const std::size_t wanted = SpelledCode(buffer) == EndCode ? EndFrameSize : DataFrameSize;
        FUZZ_CHECK(buffer.size() < 4 || (HasKnownSize(buffer) && buffer.size() < wanted));
        break;
      }
      FUZZ_CHECK(size >= 4);
      const std::span<const std::uint8_t> frame = buffer.first(size);
      HandleFrame(frame);
      if (!unknownSeen) taken.push_back(HasKnownSize(frame) ? size : 0);
      unknownSeen = unknownSeen || !HasKnownSize(frame);
      first += size;
    }
  }
  return taken;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<Arrivals> arrivals = ReadArrivals(std::span(data, size));
  if (!arrivals) return 0;
  const std::span<const std::uint8_t> stream = arrivals->stream;
  // Up to the first frame of unknown size, the frames do not depend on how the stream was cut.
  FUZZ_CHECK(TakeFrames(*arrivals) == TakeFrames({{}, stream}));
  // A frame too short for a code, which the link never takes, is answered all the same, padded to the header.
  const std::span<const std::uint8_t> head = stream.first(std::min<std::size_t>(stream.size(), 3));
  CheckAck(head, BuildAckFrame(head));
  return 0;
}
