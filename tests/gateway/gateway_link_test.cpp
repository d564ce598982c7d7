// The link against a gateway played by a script on loopback, for what the
// gateway simulator cannot send: records out of order, frames without a
// record, bad record numbers, a broken connection, an address that must never
// be connected to. Runs against the simulator are in the run tests.

#include "gateway/gateway_link.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>

#include <unistd.h>

#include "file_hazards.hpp"
#include "gateway/frames.hpp"
#include "lib/gateway_simulator.hpp"
#include "temp_folder.hpp"

namespace varkelo::gateway {
namespace {

using namespace std::chrono_literals;
using tools::MakeDataFrame;
using tools::MakeEndFrame;
using tools::SimConnection;
using Bytes = std::vector<std::uint8_t>;

Bytes Record(std::uint8_t seed) {
  Bytes record(RecordSize);
  for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<std::uint8_t>(seed + i * 7);
  return record;
}
Bytes Frame(std::uint16_t recordNumber) {
  return MakeDataFrame(recordNumber, Record(static_cast<std::uint8_t>(recordNumber)));
}
std::string Text(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}
// The bytes read, empty when they did not come.
Bytes ReadBytes(SimConnection& client, std::size_t n) {
  Bytes bytes(n);
  return client.ReadExactly(bytes, 10s) == tools::ReadOutcome::Ok ? bytes : Bytes();
}

class RecordingObserver : public LinkObserver {
 public:
  void OnRequestSent() override {
    ++requests;
    if (onRequestSent) onRequestSent();
  }
  void OnDataFrameAcknowledged() override { ++acknowledged; }
  void OnDownloadProgress(int percent) override { progress.push_back(percent); }
  void OnDownloadFinished(const LinkResult& finished) override {
    result = finished;
    ++finishes;
  }
  int requests = 0, acknowledged = 0, finishes = 0;
  std::vector<int> progress;
  std::optional<LinkResult> result;
  std::function<void()> onRequestSent;
};

class GatewayLinkTest : public ::testing::Test {
 protected:
  GatewayLinkTest() { EXPECT_TRUE(listener.Listen("127.0.0.1", 0)); }
  ~GatewayLinkTest() override {
    if (gateway.joinable()) gateway.join();
  }

  // The gateway's side runs `script` on its own thread.
  void Start(std::function<void(SimConnection&)> script) {
    gateway = std::thread([this, script = std::move(script)] {
      SimConnection client = listener.Accept(10s);
      if (client.IsOpen()) script(client);
    });
    options.port = listener.Port();
    link = std::make_unique<GatewayLink>(io, observer, options);
    ASSERT_TRUE(link->Start({127, 0, 0, 1}, folder.Path() / "read.nmd"));
  }
  // Runs the loop until done() holds; false when `limit` passed first.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      if (io.stopped()) io.restart();
      if (io.run_one_for(5ms) == 0) std::this_thread::sleep_for(1ms);
    }
    return true;
  }
  // Until the download has ended, then the gateway's script too.
  bool Finished() {
    const bool ended = RunUntil([&] { return observer.result.has_value(); });
    if (gateway.joinable()) gateway.join();
    return ended;
  }
  std::string Image() const { return ReadFileBytes(folder.Path() / "read.nmd"); }

  asio::io_context io{1};
  RecordingObserver observer;
  TempFolder folder;
  LinkOptions options{.connectWait = 200ms, .tickInterval = 5ms};
  tools::SimListener listener;
  std::thread gateway;
  std::unique_ptr<GatewayLink> link;
};

TEST_F(GatewayLinkTest, EachRecordGoesToItsPlaceAndFramesWithoutARecordAreNeverWritten) {
  const std::string before(10 * RecordSize, '\xEE');
  std::ofstream(folder.Path() / "read.nmd", std::ios::binary) << before;
  std::vector<Bytes> answers;
  tools::CloseResult atEnd;
  Start([&](SimConnection& c) {
    ReadBytes(c, 4);
    for (const std::uint16_t n : std::initializer_list<std::uint16_t>{4, 2, 7}) {
      // Pauses of 300 ms add up to more than the time-out of 100 ticks of 5 ms: each arrival restarts it.
      std::this_thread::sleep_for(300ms);
      c.WriteAll(Frame(n));
      answers.push_back(ReadBytes(c, DataFrameSize));
    }
    c.WriteAll(Bytes{0x02, 0x00, '0', '5', 0x11, 0x22, 0x33});  // a data frame of length 2: answered
    answers.push_back(ReadBytes(c, 7));
    c.WriteAll(Bytes{0x02, 0x00, '1', '5', 0x01, 0x00});  // code 15: not answered
    c.WriteAll(MakeEndFrame('0'));
    atEnd = c.WaitForClose(10s);
  });
  ASSERT_TRUE(Finished());
  ASSERT_EQ(answers.size(), 4u);
  EXPECT_TRUE(tools::IsAckOf(answers[1], Frame(2)));
  EXPECT_EQ(answers[3], (Bytes{0x02, 0x00, '1', '5', 0x11, 0x22, 0x33}));
  // A new image in place of the old, none of which is left: what was not received is zeros.
  std::string expected(7 * RecordSize, '\0');
  expected.replace(RecordSize, RecordSize, Text(Record(2)));
  expected.replace(6 * RecordSize, RecordSize, Text(Record(7)));
  expected.replace(3 * RecordSize, RecordSize, Text(Record(4)));
  EXPECT_EQ(Image(), expected);
  EXPECT_TRUE(atEnd.closed);
  EXPECT_EQ(atEnd.extraBytes, 0u);
  EXPECT_EQ(observer.result->outcome, LinkOutcome::Downloaded);
  EXPECT_EQ(observer.result->recordsStored, 3);
  EXPECT_EQ(observer.finishes + observer.requests, 2);
  EXPECT_EQ(observer.acknowledged, 4);
  EXPECT_EQ(observer.progress.back(), 100);
  EXPECT_EQ(link->ReceivedFrames(), 6);
  EXPECT_FALSE(link->Connected());
}

// Closes the descriptor by which this process holds a file of `folder` open,
// behind its owner's back: the owner's own flush of it then fails.
void PullDescriptorIn(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code unreadable;
    if (std::filesystem::read_symlink(entry.path(), unreadable).parent_path() == folder)
      ::close(std::stoi(entry.path().filename().string()));
  }
}

// No time-out can end these downloads: each ends at once, with its reason,
// without acknowledging what it could not take, and leaves the last image as
// it was and no temporary file.
TEST_F(GatewayLinkTest, EveryFailureEndsTheDownloadAtOnceWithItsReason) {
  options.connectWait = 1h;
  options.tickInterval = 1h;
  const auto image = folder.Path() / "read.nmd";
  const auto end = [](SimConnection& client) { client.WriteAll(MakeEndFrame('0')); };
  const auto spoiled = [](std::function<void(Bytes&)> spoil) {
    return [spoil](SimConnection& client) {
      Bytes frame = Frame(2);
      spoil(frame);
      client.WriteAll(frame);
    };
  };
  const struct {
    const char* name;
    std::function<void(SimConnection&)> afterFirstRecord;  // the gateway's; none: it closes the connection
    LinkOutcome outcome;
    void (*hazard)(const std::filesystem::path& outside, const std::filesystem::path& at) = nullptr;
  } cases[] = {
      {"length unreadable", spoiled([](Bytes& f) { f[1] = 0x84; }), LinkOutcome::BadFrame},
      {"record number unreadable", spoiled([](Bytes& f) { f[5] = 0x80; }), LinkOutcome::BadFrame},
      {"record 0", spoiled([](Bytes& f) { f[4] = 0; }), LinkOutcome::BadFrame},
      {"closed early", nullptr, LinkOutcome::ClosedEarly},
      {"close fails",
       [&](SimConnection& client) {
         PullDescriptorIn(image.parent_path());
         client.WriteAll(MakeEndFrame('0'));
       },
       LinkOutcome::RecordNotStored},
      {"stopped", [&](SimConnection&) { asio::post(io, [&] { link->Stop(); }); }, LinkOutcome::Stopped},
      // Not a regular file at "read.nmd": the whole image is not put there, nothing goes through a link.
      {"folder", end, LinkOutcome::RecordNotStored,
       [](const auto&, const auto& at) { std::filesystem::create_directory(at); }},
      {"FIFO", end, LinkOutcome::RecordNotStored, [](const auto&, const auto& at) { MakeFifo(at); }},
      {"link", end, LinkOutcome::RecordNotStored, MakeLink},
  };
  std::ofstream(folder.Path() / "outside") << "kept";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    observer = RecordingObserver();
    std::filesystem::remove_all(image);
    if (c.hazard) {
      c.hazard(folder.Path() / "outside", image);
    } else {
      std::ofstream(image) << "old";
    }
    tools::CloseResult atEnd;
    Start([&](SimConnection& client) {
      ReadBytes(client, 4);
      client.WriteAll(Frame(1));
      ReadBytes(client, DataFrameSize);
      if (!c.afterFirstRecord) return;
      c.afterFirstRecord(client);
      atEnd = client.WaitForClose(10s);
    });
    ASSERT_TRUE(Finished());
    ASSERT_TRUE(observer.result);
    EXPECT_EQ(observer.result->outcome, c.outcome);
    EXPECT_EQ(observer.finishes, 1);
    EXPECT_FALSE(observer.result->error);  // an orderly close has no system reason
    EXPECT_EQ(observer.result->failure.has_value(), c.outcome == LinkOutcome::RecordNotStored);
    EXPECT_EQ(observer.result->recordsStored, 1);
    EXPECT_TRUE(atEnd.closed || !c.afterFirstRecord);
    EXPECT_EQ(atEnd.extraBytes, 0u);
    EXPECT_EQ(ReadFileBytes(c.hazard ? folder.Path() / "outside" : image), c.hazard ? "kept" : "old");
    EXPECT_TRUE(TemporaryFilesUnder(folder.Path()).empty());
  }

  // Nobody listens: the connection is refused, with the system's reason.
  observer = RecordingObserver();
  listener.Close();
  Start([](SimConnection&) {});
  ASSERT_TRUE(Finished());
  EXPECT_EQ(observer.result->outcome, LinkOutcome::ConnectionRefused);
  EXPECT_EQ(observer.result->error, asio::error::connection_refused);
}

TEST_F(GatewayLinkTest, AcknowledgementThatCannotBeSentEndsTheDownload) {
  options.tickInterval = 1h;
  std::promise<void> sent;
  Start([&](SimConnection& c) {
    ReadBytes(c, 4);
    c.WriteAll(Frame(1));
    c.Reset();
    sent.set_value();
  });
  // Frame and reset are both there before the link reads the frame.
  ASSERT_TRUE(RunUntil([&] { return observer.requests == 1; }));
  sent.get_future().wait();
  std::this_thread::sleep_for(50ms);
  ASSERT_TRUE(Finished());
  EXPECT_EQ(observer.result->outcome, LinkOutcome::AckNotSent);
  EXPECT_EQ(Image(), "");  // record 1 never reaches "read.nmd"
  EXPECT_TRUE(TemporaryFilesUnder(folder.Path()).empty());
}

// The time-out is 20 ticks of 20 ms from the request. A loop held up for 300
// ms runs the ticks that fell due meanwhile at once: the run still ends near
// 400 ms, not 300 ms later than that.
TEST_F(GatewayLinkTest, TicksKeepTheirScheduleWhenTheLoopIsHeldUp) {
  options.tickInterval = 20ms;
  options.responseTimeoutTicks = 20;
  std::chrono::steady_clock::time_point sent;
  observer.onRequestSent = [&] {
    sent = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(300ms);
  };
  Start([](SimConnection& c) { c.WaitForClose(10s); });
  ASSERT_TRUE(Finished());
  EXPECT_EQ(observer.result->outcome, LinkOutcome::NoResponse);
  const auto took = std::chrono::steady_clock::now() - sent;
  EXPECT_GE(took, 380ms);  // the ticks were armed just before the request was reported
  EXPECT_LT(took, 600ms);  // ticks counted from when they ran: 700 ms
}

// A process held up longer than the time-out (stopped, asleep) while the
// gateway's frames came: what waits in the socket is read, not timed out.
TEST_F(GatewayLinkTest, FramesThatCameWhileTheProcessWasHeldUpAreRead) {
  options.tickInterval = 5ms;
  options.responseTimeoutTicks = 20;
  observer.onRequestSent = [] { std::this_thread::sleep_for(300ms); };
  Start([](SimConnection& c) {
    ReadBytes(c, 4);
    c.WriteAll(Frame(1));
    ReadBytes(c, DataFrameSize);
    c.WriteAll(MakeEndFrame('0'));
    c.WaitForClose(10s);
  });
  ASSERT_TRUE(Finished());
  EXPECT_EQ(observer.result->outcome, LinkOutcome::Downloaded);
  EXPECT_EQ(Image(), Text(Record(1)));
}

TEST_F(GatewayLinkTest, UnspecifiedAddressIsNeverConnectedTo) {
  // Some systems take 0.0.0.0 for this machine, where a gateway listens.
  const auto start = std::chrono::steady_clock::now();
  options.port = listener.Port();
  link = std::make_unique<GatewayLink>(io, observer, options);
  ASSERT_TRUE(link->Start({0, 0, 0, 0}, folder.Path() / "read.nmd"));
  ASSERT_TRUE(Finished());
  EXPECT_GE(std::chrono::steady_clock::now() - start, options.connectWait);
  EXPECT_EQ(observer.result->outcome, LinkOutcome::NotConnected);
  EXPECT_EQ(observer.requests, 0);
  EXPECT_FALSE(listener.Accept(0ms).IsOpen());
}

TEST(DownloadProgressTest, FollowsTheFrameCountUpToHundredAndNoFurther) {
  const std::pair<std::int32_t, int> cases[] = {
      {0, 0}, {89, 0}, {90, 1}, {4485, 50}, {8969, 99}, {8970, 100}, {9060, 100}, {2147483647, 100}, {-5, 0}};
  for (const auto& [frames, value] : cases) EXPECT_EQ(DownloadProgress(frames), value) << frames;
}

}  // namespace
}  // namespace varkelo::gateway
