// Fuzz target: the link's frame handling, fed an arbitrary byte stream cut
// into arbitrary arrivals, with the socket and "read.nmd" replaced by
// in-memory fakes.
//
// Input: one byte of failures to inject (bit 0: the first record store fails,
// bit 1: the first acknowledgement fails to send, bit 2: both fail twice, so
// that the second try fails too), then the stream and its cuts, as Arrivals
// (fuzz_check.hpp) reads them.

#include <array>
#include <cstring>
#include <map>

#include "fuzz_check.hpp"
#include "gateway/frame_receiver.hpp"
#include "gateway/frames.hpp"

namespace {

namespace gw = varkelo::gateway;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t RecordSize = gw::RecordSize;
constexpr std::size_t DataFrameSize = gw::DataFrameSize;

// "read.nmd" and the socket in memory, checking what the link asks of them.
class FakeLink : public gw::FrameActions {
 public:
  FakeLink(int failStores, int failAcks) : failStores_(failStores), failAcks_(failAcks) {}

  bool StoreRecord(std::int32_t recordNumber, std::span<const std::uint8_t> record) override {
    FUZZ_CHECK(recordNumber >= 1 && recordNumber <= 32767);
    FUZZ_CHECK(record.size() == RecordSize);
    if (Fails(failStores_)) return false;
    std::array<std::uint8_t, RecordSize>& place = file_[recordNumber];
    std::copy(record.begin(), record.end(), place.begin());
    lastStored_ = recordNumber;
    return true;
  }

  bool SendAck(std::span<const std::uint8_t> ack) override {
    FUZZ_CHECK(ack.size() >= 4 && ack[2] == '1' && ack[3] == '5');
    if (ack[0] != 2 || ack[1] != 0) {
      // A frame that carries a record is answered only whole, and only after its record is on disk.
      FUZZ_CHECK(ack.size() == DataFrameSize);
      const std::int32_t number = ack[4] + 256 * ack[5];
      FUZZ_CHECK(lastStored_ == number);
      FUZZ_CHECK(std::memcmp(file_.at(number).data(), ack.data() + 6, RecordSize) == 0);
    }
    if (Fails(failAcks_)) return false;
    ackPending_ = true;
    return true;
  }

  void OnAcknowledged() override {
    FUZZ_CHECK(ackPending_);
    ackPending_ = false;
    ++acknowledged_;
  }

  void OnProgress(int percent) override {
    FUZZ_CHECK(percent >= 0 && percent <= 100);
    FUZZ_CHECK(percent >= progress_);
    progress_ = percent;
  }

  int Acknowledged() const { return acknowledged_; }

 private:
  // Whether an injected failure is left, using it up.
  static bool Fails(int& left) { return left > 0 && left-- > 0; }

  int failStores_, failAcks_;
  std::map<std::int32_t, std::array<std::uint8_t, RecordSize>> file_;
  std::int32_t lastStored_ = 0;
  bool ackPending_ = false;
  int acknowledged_ = 0;
  int progress_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  if (input.empty()) return 0;
  const std::optional<Arrivals> arrivals = ReadArrivals(input.subspan(1));
  if (!arrivals) return 0;
  const std::span<const std::uint8_t> stream = arrivals->stream;
  const int failTimes = (input[0] & 4) ? 2 : 1;
  FakeLink link((input[0] & 1) ? failTimes : 0, (input[0] & 2) ? failTimes : 0);
  gw::FrameReceiver receiver(link);
  gw::StreamState state = gw::StreamState::Open;
  std::size_t pos = 0;
  for (std::size_t arrival = 0; pos < stream.size(); ++arrival) {
    const std::size_t n = arrivals->Size(arrival, pos);
    const gw::StreamState before = state;
    const int acknowledgedBefore = link.Acknowledged();
    state = receiver.Take(stream.subspan(pos, n));
    pos += n;
    FUZZ_CHECK(state == receiver.State());
    // Once the stream has ended, nothing more is handled.
    if (before != gw::StreamState::Open) {
      FUZZ_CHECK(state == before);
      FUZZ_CHECK(link.Acknowledged() == acknowledgedBefore);
    }
  }
  return 0;
}
