// The link against a scripted gateway on loopback: the exchange, the file
// writes, the framing of the byte stream, the time-outs and every way a
// download ends.

#include "gateway/gateway_link.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "gateway/link_harness.hpp"
#include "lib/gateway_simulator.hpp"
#include "temp_folder.hpp"

namespace varkelo::gateway {
namespace {

using namespace linktest;
using tools::MakeDataFrame;
using tools::MakeEndFrame;
using tools::SimConnection;
using Bytes = std::vector<std::uint8_t>;

Bytes Record(std::uint8_t seed) {
  Bytes record(1024);
  for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<std::uint8_t>(seed + i * 7);
  return record;
}

Bytes Frame(std::uint16_t recordNumber) {
  return MakeDataFrame(recordNumber, Record(recordNumber));
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::string Text(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// Serves the given records, each acknowledged, then the end frame.
void ServeRecords(SimConnection& c, std::initializer_list<std::uint16_t> records) {
  ReadBytes(c, 4);
  for (std::uint16_t n : records) {
    c.WriteAll(Frame(n));
    ReadBytes(c, 1030);
  }
  c.WriteAll(MakeEndFrame('0'));
  c.WaitForClose(10s);
}

class GatewayLinkTest : public ::testing::Test {
 protected:
  GatewayLinkTest() {
    options.connectWait = 200ms;
    options.tickInterval = 5ms;
  }
  void Start(std::uint16_t port, std::array<std::uint8_t, 4> address = {127, 0, 0, 1}) {
    options.port = port;
    link = std::make_unique<GatewayLink>(io, observer, options);
    ASSERT_TRUE(link->Start(address, folder.path() / "read.nmd"));
  }
  bool RunUntilFinished() {
    return RunUntil(io, [&] { return observer.outcome.has_value(); });
  }
  std::string Image() const { return ReadFileBytes(folder.path() / "read.nmd"); }

  asio::io_context io{1};
  RecordingObserver observer;
  TempFolder folder;
  LinkOptions options;
  std::unique_ptr<GatewayLink> link;
};

TEST_F(GatewayLinkTest, SuccessfulDownloadStoresAcknowledgesAndCloses) {
  Bytes request, ack;
  bool closedAtEnd = false;
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    request = ReadBytes(c, 4);
    c.WriteAll(Frame(1));
    ack = ReadBytes(c, 1030);
    c.WriteAll(MakeEndFrame('0'));
    closedAtEnd = c.WaitForClose(10s);
  });
  Start(gateway.Port());
  ASSERT_TRUE(RunUntilFinished());
  gateway.Join();

  EXPECT_EQ(request, (Bytes{0x02, 0x00, 0x30, 0x31}));
  EXPECT_TRUE(tools::IsAckOf(ack, Frame(1)));
  EXPECT_EQ(Image(), Text(Record(1)));
  EXPECT_TRUE(closedAtEnd);
  EXPECT_EQ(observer.outcome, LinkOutcome::Downloaded);
  EXPECT_EQ(observer.finishes, 1);
  EXPECT_EQ(observer.requests, 1);
  EXPECT_EQ(observer.acknowledged, 1);
  EXPECT_EQ(observer.progress.back(), 100);
  EXPECT_EQ(link->ReceivedFrames(), 2);
  EXPECT_FALSE(link->Connected());
}

TEST_F(GatewayLinkTest, RecordsOverwriteOnlyTheirOwnPlaceAndExtendTheFile) {
  const std::string before(5 * 1024, '\xEE');
  std::ofstream(folder.path() / "read.nmd", std::ios::binary) << before;
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) { ServeRecords(c, {4, 2, 7}); });
  Start(gateway.Port());
  ASSERT_TRUE(RunUntilFinished());
  std::string expected = before + std::string(1024, '\0') + Text(Record(7));
  expected.replace(1024, 1024, Text(Record(2)));
  expected.replace(3072, 1024, Text(Record(4)));
  EXPECT_EQ(Image(), expected);
}

TEST_F(GatewayLinkTest, FramesAreTakenFromTheByteStreamWhateverTheArrivals) {
  // Three frames in one write (more than any single frame), then a frame and the
  // end frame cut at awkward places, each piece its own arrival.
  std::vector<Bytes> acks;
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    c.SetNoDelay(true);
    ReadBytes(c, 4);
    c.WriteAll(Join({Frame(1), Frame(2), Frame(3)}));
    for (int i = 0; i < 3; ++i) acks.push_back(ReadBytes(c, 1030));
    const Bytes last = Join({Frame(4), MakeEndFrame('0')});
    std::size_t done = 0;
    for (std::size_t cut : {2, 5, 6, 700, 1031, 1033}) {
      c.WriteAll(std::span(last).subspan(done, cut - done));
      std::this_thread::sleep_for(5ms);
      done = cut;
    }
    c.WriteAll(std::span(last).subspan(done));
    acks.push_back(ReadBytes(c, 1030));
    c.WaitForClose(10s);
  });
  Start(gateway.Port());
  ASSERT_TRUE(RunUntilFinished());
  gateway.Join();
  ASSERT_EQ(acks.size(), 4u);
  for (std::uint16_t n = 1; n <= 4; ++n) EXPECT_TRUE(tools::IsAckOf(acks[n - 1], Frame(n))) << n;
  EXPECT_EQ(Image(), Text(Join({Record(1), Record(2), Record(3), Record(4)})));
  EXPECT_EQ(observer.outcome, LinkOutcome::Downloaded);
  EXPECT_EQ(link->ReceivedFrames(), 5);
}

TEST_F(GatewayLinkTest, FramesWithoutARecordAreAcknowledgedOrIgnoredButNeverWritten) {
  Gate ignored;
  Bytes shortAck, recordAck;
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    ReadBytes(c, 4);
    c.WriteAll(Bytes{0x02, 0x00, '0', '5', 0x11, 0x22, 0x33});  // DataFrame of length 2
    shortAck = ReadBytes(c, 7);
    c.WriteAll(Bytes{0x02, 0x00, '1', '5', 0x01, 0x00});  // code 15: not answered
    if (!ignored.Wait()) return;
    c.WriteAll(Frame(2));
    recordAck = ReadBytes(c, 1030);
    c.WriteAll(MakeEndFrame('0'));
    c.WaitForClose(10s);
  });
  Start(gateway.Port());
  ASSERT_TRUE(RunUntil(io, [&] { return link->ReceivedFrames() == 2; }));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "read.nmd"));
  ignored.Open();
  ASSERT_TRUE(RunUntilFinished());
  gateway.Join();
  EXPECT_EQ(shortAck, (Bytes{0x02, 0x00, '1', '5', 0x11, 0x22, 0x33}));
  // Had the code-15 frame been answered, these bytes would not be the record's acknowledgement.
  EXPECT_TRUE(tools::IsAckOf(recordAck, Frame(2)));
  EXPECT_EQ(Image(), Text(Join({Bytes(1024, 0), Record(2)})));
  EXPECT_EQ(link->ReceivedFrames(), 4);
}

TEST_F(GatewayLinkTest, ArrivalsResetTheResponseTimeOutAndSilenceEndsTheDownload) {
  // 100 ticks of 5 ms: pauses of 300 ms are tolerated again and again, but not
  // a silence of the whole time-out.
  std::size_t extra = 0;
  bool closed = false;
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    ReadBytes(c, 4);
    for (std::uint16_t n = 1; n <= 3; ++n) {
      std::this_thread::sleep_for(300ms);
      c.WriteAll(Frame(n));
      ReadBytes(c, 1030);
    }
    const Bytes last = Frame(4);
    c.WriteAll(std::span(last).first(600));  // part of a frame, then nothing
    closed = c.WaitForClose(10s, &extra);
  });
  Start(gateway.Port());
  ASSERT_TRUE(RunUntilFinished());
  gateway.Join();
  EXPECT_EQ(observer.outcome, LinkOutcome::NoResponse);
  EXPECT_EQ(Image(), Text(Join({Record(1), Record(2), Record(3)})));
  EXPECT_EQ(link->ReceivedFrames(), 3);
  EXPECT_TRUE(closed);
  EXPECT_EQ(extra, 0u);
}

// A frame whose handling fails twice ends the download at once, as a time-out
// would, without writing or acknowledging it.
struct BadFrame {
  const char* name;
  std::size_t byte;
  std::uint8_t value;
};

class BadFrameTest : public GatewayLinkTest, public ::testing::WithParamInterface<BadFrame> {};

TEST_P(BadFrameTest, EndsTheDownloadAtOnceWithNothingWrittenOrAcknowledged) {
  options.tickInterval = 1h;  // no time-out can end this download
  std::size_t extra = 0;
  bool closed = false;
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    ReadBytes(c, 4);
    c.WriteAll(Frame(1));
    ReadBytes(c, 1030);
    Bytes bad = Frame(2);
    if (GetParam().byte < bad.size()) bad[GetParam().byte] = GetParam().value;
    c.WriteAll(bad);
    closed = c.WaitForClose(10s, &extra);
  });
  if (GetParam().byte >= 1030) std::filesystem::create_directory(folder.path() / "read.nmd");
  Start(gateway.Port());
  ASSERT_TRUE(RunUntilFinished());
  gateway.Join();
  EXPECT_EQ(observer.outcome, LinkOutcome::NoResponse);
  EXPECT_TRUE(closed);
  EXPECT_EQ(extra, 0u);
  EXPECT_EQ(link->ReceivedFrames(), GetParam().byte >= 1030 ? 1 : 2);  // a second try counts once
  if (GetParam().byte < 1030) {
    EXPECT_EQ(Image(), Text(Record(1)));
  }
}

INSTANTIATE_TEST_SUITE_P(Frames, BadFrameTest,
                         ::testing::Values(BadFrame{"LengthHighByte", 1, 0x84},
                                           BadFrame{"RecordNumberHighByte", 5, 0x80},
                                           BadFrame{"RecordNumberZero", 4, 0x00},
                                           BadFrame{"RecordFileIsAFolder", 9999, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GatewayLinkTest, AcknowledgementThatCannotBeSentEndsTheDownload) {
  options.tickInterval = 1h;
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    ReadBytes(c, 4);
    c.WriteAll(Frame(1));
    c.Reset();
  });
  Start(gateway.Port());
  ASSERT_TRUE(RunUntil(io, [&] { return observer.requests == 1; }));
  // Frame and reset are both there before the link reads the frame.
  gateway.Join();
  std::this_thread::sleep_for(50ms);
  ASSERT_TRUE(RunUntilFinished());
  EXPECT_EQ(observer.outcome, LinkOutcome::NoResponse);
  EXPECT_EQ(Image(), Text(Record(1)));  // written before the acknowledgement failed
}

TEST_F(GatewayLinkTest, EndFrameWithAFailureResultIsARefusal) {
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    ReadBytes(c, 4);
    c.WriteAll(MakeEndFrame('1'));
    c.WaitForClose(10s);
  });
  Start(gateway.Port());
  ASSERT_TRUE(RunUntilFinished());
  EXPECT_EQ(observer.outcome, LinkOutcome::Refused);
  EXPECT_EQ(observer.progress.back(), 100);
  EXPECT_FALSE(link->Connected());
}

TEST_F(GatewayLinkTest, NoConnectionEndsOnceTheConnectWaitHasPassed) {
  // A closed port, and 0.0.0.0, which must never be connected to, even where
  // the system would take it for this machine, where a gateway listens.
  for (const bool unspecified : {false, true}) {
    SCOPED_TRACE(unspecified);
    observer = RecordingObserver();
    tools::SimListener listener;
    ASSERT_TRUE(listener.Listen("127.0.0.1", 0));
    const std::uint16_t port = listener.Port();
    if (!unspecified) listener.Close();
    const auto start = std::chrono::steady_clock::now();
    Start(port,
          unspecified ? std::array<std::uint8_t, 4>{0, 0, 0, 0} : std::array<std::uint8_t, 4>{127, 0, 0, 1});
    ASSERT_TRUE(RunUntilFinished());
    EXPECT_GE(std::chrono::steady_clock::now() - start, options.connectWait);
    EXPECT_EQ(observer.outcome, LinkOutcome::NotConnected);
    EXPECT_EQ(observer.requests, 0);
    if (unspecified) {
      EXPECT_FALSE(listener.Accept(0ms).IsOpen());
    }
  }
}

TEST(DownloadProgressTest, FollowsTheFrameCountUpToHundredAndNoFurther) {
  const std::pair<std::int32_t, int> cases[] = {
      {0, 0}, {89, 0}, {90, 1}, {4485, 50}, {8969, 99}, {8970, 100}, {9060, 100}, {2147483647, 100}, {-5, 0}};
  for (const auto& [frames, value] : cases) EXPECT_EQ(DownloadProgress(frames), value) << frames;
}

}  // namespace
}  // namespace varkelo::gateway
