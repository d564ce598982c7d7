// The link against a scripted gateway on loopback: the exchange, the file
// writes, the framing of the byte stream, the time-outs and every way a run ends.

#include "gateway/gateway_link.hpp"

#include <gtest/gtest.h>

#include <algorithm>
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

const std::string Prefix = "「127.0.0.1」のスマートゲートウェイ";

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

class GatewayLinkTest : public ::testing::Test {
 protected:
  void Start(std::uint16_t port) {
    options.Port = port;
    link = std::make_unique<GatewayLink>(io, host, options);
    host.Attach(*link);
    ASSERT_TRUE(link->StartReading(folder.path(), {127, 0, 0, 1}, "127.0.0.1"));
  }
  bool RunUntilEnded() {
    return RunUntil(io, [&] { return host.Ended(); });
  }
  std::string Image() const { return ReadFileBytes(folder.path() / "read.nmd"); }
  bool ImageExists() const { return std::filesystem::exists(folder.path() / "read.nmd"); }
  static std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

  // The run ended as a response time-out ends it: code 4, its status, prgComm 0,
  // the final step, and the window free to close again.
  void ExpectEndedLikeTimeout() const {
    EXPECT_EQ(host.ResultCode, 4);
    EXPECT_EQ(host.LastStatus(), Prefix + "のタイムアウト");
    EXPECT_EQ(host.LastProgress(), 0);
    EXPECT_EQ(host.Started.back(), DeferredStep::timEnd);
    EXPECT_EQ(host.Unload, (std::vector{false, true}));
  }

  asio::io_context io{1};
  TestHost host{io};
  TempFolder folder;
  LinkOptions options{std::chrono::milliseconds(200), 0};
  std::unique_ptr<GatewayLink> link;
};

TEST_F(GatewayLinkTest, SuccessfulRunStoresRecordsAndHandsOverToTheCsvStep) {
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
  ASSERT_TRUE(RunUntilEnded());
  gateway.Join();

  EXPECT_EQ(request, (Bytes{0x02, 0x00, 0x30, 0x31}));
  EXPECT_TRUE(tools::IsAckOf(ack, Frame(1)));
  EXPECT_EQ(Image(), Text(Record(1)));
  EXPECT_TRUE(closedAtEnd);
  EXPECT_EQ(host.Started, (std::vector{DeferredStep::timSend, DeferredStep::timCSV}));
  EXPECT_FALSE(host.ResultCode.has_value());
  EXPECT_EQ(host.LastProgress(), 100);
  EXPECT_EQ(host.Statuses, (std::vector<std::string>{Prefix + "に接続中", Prefix + "の読込み応答待機中",
                                                     Prefix + "の読込みデータ転送中"}));
  EXPECT_EQ(host.Unload, (std::vector{false, true}));
  EXPECT_FALSE(host.Timer1Running);
  EXPECT_EQ(link->ReceivedFrames, 2);
  EXPECT_FALSE(link->Connected());
}

TEST_F(GatewayLinkTest, RecordsLandAtTheirNumbersInAFreshFile) {
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    ReadBytes(c, 4);
    c.WriteAll(Frame(3));
    ReadBytes(c, 1030);
    c.WriteAll(MakeEndFrame('0'));
    c.WaitForClose(10s);
  });
  Start(gateway.Port());
  ASSERT_TRUE(RunUntilEnded());
  const std::string image = Image();
  ASSERT_EQ(image.size(), 3072u);
  EXPECT_EQ(image.substr(0, 2048), std::string(2048, '\0'));
  EXPECT_EQ(image.substr(2048), Text(Record(3)));
}

TEST_F(GatewayLinkTest, RecordsOverwriteOnlyTheirOwnPlaceInAnExistingFile) {
  const std::string before(5 * 1024, '\xEE');
  std::ofstream(folder.path() / "read.nmd", std::ios::binary) << before;
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    ReadBytes(c, 4);
    for (std::uint16_t n : {4, 2}) {
      c.WriteAll(Frame(n));
      ReadBytes(c, 1030);
    }
    c.WriteAll(MakeEndFrame('0'));
    c.WaitForClose(10s);
  });
  Start(gateway.Port());
  ASSERT_TRUE(RunUntilEnded());
  std::string expected = before;
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
  ASSERT_TRUE(RunUntilEnded());
  gateway.Join();
  ASSERT_EQ(acks.size(), 4u);
  for (std::uint16_t n = 1; n <= 4; ++n) EXPECT_TRUE(tools::IsAckOf(acks[n - 1], Frame(n))) << n;
  EXPECT_EQ(Image(), Text(Join({Record(1), Record(2), Record(3), Record(4)})));
  EXPECT_TRUE(host.Fired(DeferredStep::timCSV));
  EXPECT_EQ(link->ReceivedFrames, 5);
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
  ASSERT_TRUE(RunUntil(io, [&] { return link->ReceivedFrames == 2; }));
  EXPECT_FALSE(ImageExists());
  ignored.Open();
  ASSERT_TRUE(RunUntilEnded());
  gateway.Join();
  EXPECT_EQ(shortAck, (Bytes{0x02, 0x00, '1', '5', 0x11, 0x22, 0x33}));
  // Had the code-15 frame been answered, these bytes would not be the record's acknowledgement.
  EXPECT_TRUE(tools::IsAckOf(recordAck, Frame(2)));
  EXPECT_EQ(Image(), Text(Join({Bytes(1024, 0), Record(2)})));
  EXPECT_EQ(link->ReceivedFrames, 4);
}

TEST_F(GatewayLinkTest, PartOfAFrameIsNeverWrittenWhenTheRestDoesNotCome) {
  std::size_t extra = 0;
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    ReadBytes(c, 4);
    c.WriteAll(Frame(1));
    ReadBytes(c, 1030);
    const Bytes frame = Frame(2);
    c.WriteAll(std::span(frame).first(600));
    c.WaitForClose(10s, &extra);
  });
  Start(gateway.Port());
  ASSERT_TRUE(RunUntilEnded());
  gateway.Join();
  EXPECT_EQ(host.ResultCode, 4);
  EXPECT_EQ(Image(), Text(Record(1)));
  EXPECT_EQ(extra, 0u);
  EXPECT_EQ(link->ReceivedFrames, 1);
}

TEST_F(GatewayLinkTest, NinetyNineQuietTicksAreToleratedTheHundredthEndsTheRun) {
  host.ManualTicks = true;
  Gate resume;
  bool closed = false;
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    ReadBytes(c, 4);
    c.WriteAll(Frame(1));
    ReadBytes(c, 1030);
    if (!resume.Wait()) return;
    c.WriteAll(Frame(2));
    ReadBytes(c, 1030);
    closed = c.WaitForClose(10s);
  });
  Start(gateway.Port());
  ASSERT_TRUE(RunUntil(io, [&] { return host.Timer1Running; }));
  for (int i = 0; i < 99; ++i) link->Timer1_Timer();
  EXPECT_EQ(link->WaitTicks, 99);
  ASSERT_TRUE(RunUntil(io, [&] { return link->ReceivedFrames == 1; }));
  for (int i = 0; i < 99; ++i) link->Timer1_Timer();
  resume.Open();
  ASSERT_TRUE(RunUntil(io, [&] { return link->ReceivedFrames == 2; }));
  EXPECT_EQ(link->WaitTicks, 0);
  EXPECT_FALSE(host.Ended());
  for (int i = 0; i < 99; ++i) link->Timer1_Timer();
  EXPECT_FALSE(host.Ended());
  EXPECT_TRUE(link->Connected());

  link->Timer1_Timer();
  ASSERT_TRUE(RunUntilEnded());
  gateway.Join();
  ExpectEndedLikeTimeout();
  EXPECT_FALSE(host.Timer1Running);
  EXPECT_TRUE(closed);
  // A tick still on its way after the end changes nothing.
  link->Timer1_Timer();
  EXPECT_EQ(std::count(host.Started.begin(), host.Started.end(), DeferredStep::timEnd), 1);
}

// A frame whose handling fails twice ends the run at once, as a time-out would,
// without writing or acknowledging it.
struct BadFrame {
  const char* Name;
  std::size_t Byte;
  std::uint8_t Value;
};

class BadFrameTest : public GatewayLinkTest, public ::testing::WithParamInterface<BadFrame> {};

TEST_P(BadFrameTest, EndsTheRunAtOnceWithNothingWrittenOrAcknowledged) {
  host.ManualTicks = true;  // no time-out can end this run
  std::size_t extra = 0;
  bool closed = false;
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    ReadBytes(c, 4);
    c.WriteAll(Frame(1));
    ReadBytes(c, 1030);
    Bytes bad = Frame(2);
    bad[GetParam().Byte] = GetParam().Value;
    c.WriteAll(bad);
    closed = c.WaitForClose(10s, &extra);
  });
  Start(gateway.Port());
  ASSERT_TRUE(RunUntilEnded());
  gateway.Join();
  ExpectEndedLikeTimeout();
  EXPECT_EQ(Image(), Text(Record(1)));
  EXPECT_TRUE(closed);
  EXPECT_EQ(extra, 0u);
  EXPECT_EQ(link->ReceivedFrames, 2);  // the restart does not count the frame again
}

INSTANTIATE_TEST_SUITE_P(Headers, BadFrameTest,
                         ::testing::Values(BadFrame{"LengthHighByte", 1, 0x84},
                                           BadFrame{"RecordNumberHighByte", 5, 0x80},
                                           BadFrame{"RecordNumberZero", 4, 0x00}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(GatewayLinkTest, RecordThatCannotBeWrittenEndsTheRunUnacknowledged) {
  std::filesystem::create_directory(folder.path() / "read.nmd");
  host.ManualTicks = true;
  std::size_t extra = 0;
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    ReadBytes(c, 4);
    c.WriteAll(Frame(1));
    c.WaitForClose(10s, &extra);
  });
  Start(gateway.Port());
  ASSERT_TRUE(RunUntilEnded());
  gateway.Join();
  EXPECT_EQ(host.ResultCode, 4);
  EXPECT_EQ(extra, 0u);
}

TEST_F(GatewayLinkTest, AcknowledgementThatCannotBeSentEndsTheRun) {
  host.ManualTicks = true;
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    ReadBytes(c, 4);
    c.WriteAll(Frame(1));
    c.Reset();
  });
  Start(gateway.Port());
  ASSERT_TRUE(RunUntil(io, [&] { return host.Timer1Running; }));
  // Frame and reset are both there before the link reads the frame.
  gateway.Join();
  std::this_thread::sleep_for(50ms);
  ASSERT_TRUE(RunUntilEnded());
  EXPECT_EQ(host.ResultCode, 4);
  EXPECT_EQ(host.LastStatus(), Prefix + "のタイムアウト");
  EXPECT_EQ(Image(), Text(Record(1)));  // written before the acknowledgement failed
}

TEST_F(GatewayLinkTest, EndFrameWithAFailureResultEndsWithCode4) {
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    ReadBytes(c, 4);
    c.WriteAll(MakeEndFrame('1'));
    c.WaitForClose(10s);
  });
  Start(gateway.Port());
  ASSERT_TRUE(RunUntilEnded());
  EXPECT_EQ(host.ResultCode, 4);
  EXPECT_EQ(host.LastProgress(), 100);
  EXPECT_EQ(host.Started.back(), DeferredStep::timEnd);
  EXPECT_FALSE(host.Fired(DeferredStep::timCSV));
  EXPECT_EQ(host.Unload, (std::vector{false, true}));
}

TEST_F(GatewayLinkTest, NoGatewayEndsWithCode3OnceTheConnectWaitHasPassed) {
  std::uint16_t port = 0;
  {
    tools::SimListener unused;
    ASSERT_TRUE(unused.Listen("127.0.0.1", 0));
    port = unused.Port();
  }
  const auto start = std::chrono::steady_clock::now();
  Start(port);
  ASSERT_TRUE(RunUntilEnded());
  EXPECT_GE(std::chrono::steady_clock::now() - start, options.ConnectWait);
  EXPECT_EQ(host.ResultCode, 3);
  EXPECT_EQ(host.Statuses, (std::vector<std::string>{Prefix + "に接続中", Prefix + "のタイムアウト"}));
  EXPECT_EQ(host.Started, (std::vector{DeferredStep::timSend, DeferredStep::timEnd}));
  EXPECT_EQ(host.Unload, (std::vector{false, true}));
  EXPECT_FALSE(host.Timer1Running);
}

TEST_F(GatewayLinkTest, RequestThatCannotBeSentStillEndsTheRunWithItsCodeUnchanged) {
  host.HoldTimSend = true;
  host.ManualTicks = true;
  Gate connected;
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    if (connected.Wait()) c.Reset();
  });
  Start(gateway.Port());
  ASSERT_TRUE(RunUntil(io, [&] { return link->Connected(); }));
  connected.Open();
  gateway.Join();
  std::this_thread::sleep_for(50ms);  // the reset arrives before the request leaves
  link->timSend_Timer();
  ASSERT_TRUE(RunUntilEnded());
  EXPECT_EQ(host.LastStatus(), "送信エラー");
  EXPECT_FALSE(host.ResultCode.has_value());
  EXPECT_EQ(host.Started.back(), DeferredStep::timEnd);
  EXPECT_EQ(host.Unload, (std::vector{false, true}));
  EXPECT_FALSE(host.Timer1Running);
  EXPECT_FALSE(link->Connected());
}

TEST_F(GatewayLinkTest, FrameCountSaturatesAndProgressStaysAtHundred) {
  Gate counted;
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    ReadBytes(c, 4);
    if (!counted.Wait()) return;
    for (int i = 0; i < 3; ++i) {
      c.WriteAll(Bytes{0x02, 0x00, '0', '5'});
      ReadBytes(c, 4);
    }
    c.WriteAll(MakeEndFrame('0'));
    c.WaitForClose(10s);
  });
  Start(gateway.Port());
  ASSERT_TRUE(RunUntil(io, [&] { return host.Timer1Running; }));
  link->ReceivedFrames = 32766;
  host.Progress.clear();
  counted.Open();
  ASSERT_TRUE(RunUntilEnded());
  EXPECT_EQ(link->ReceivedFrames, 32767);
  EXPECT_EQ(host.Progress, std::vector<int>(5, 100));
  EXPECT_TRUE(host.Fired(DeferredStep::timCSV));
}

TEST_F(GatewayLinkTest, PhaseThreeRequestIsFollowedByClosingTheLink) {
  Bytes request;
  ScriptedGateway gateway;  // joined before the values its script uses go
  gateway.Run([&](SimConnection& c) {
    request = ReadBytes(c, 4);
    c.WaitForClose(10s);
  });
  Start(gateway.Port());
  link->TransferPhase = 3;
  ASSERT_TRUE(RunUntil(io, [&] { return host.Fired(DeferredStep::timClose); }));
  gateway.Join();
  EXPECT_EQ(request, (Bytes{0x02, 0x00, '0', '4'}));
  EXPECT_EQ(host.LastStatus(), "未接続");
  EXPECT_EQ(host.Unload, (std::vector{false, true}));
  EXPECT_FALSE(link->Connected());
}

TEST(CommProgressTest, FollowsTheFrameCountUpToHundredAndNoFurther) {
  const std::pair<std::int32_t, int> cases[] = {
      {0, 0}, {89, 0}, {90, 1}, {4485, 50}, {8969, 99}, {8970, 100}, {9060, 100}, {32767, 100}, {-5, 0}};
  for (const auto& [frames, value] : cases) EXPECT_EQ(CommProgress(frames), value) << frames;
}

TEST(GatewayLinkStartTest, RunWithoutAnApplicationFolderDoesNotStart) {
  asio::io_context io;
  TestHost host(io);
  GatewayLink link(io, host);
  EXPECT_FALSE(link.StartReading({}, {127, 0, 0, 1}, "127.0.0.1"));
  EXPECT_TRUE(link.ImagePath.empty());
  EXPECT_TRUE(host.Unload.empty());
  EXPECT_TRUE(host.Started.empty());
}

}  // namespace
}  // namespace varkelo::gateway
