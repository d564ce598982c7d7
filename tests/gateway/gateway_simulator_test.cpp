// The link against the gateway simulator in each of its modes, and the
// simulator's own judgement of the acknowledgements it gets.

#include "lib/gateway_simulator.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <thread>

#include "gateway/gateway_link.hpp"
#include "gateway/link_harness.hpp"
#include "temp_folder.hpp"

namespace varkelo::gateway {
namespace {

using namespace linktest;
using tools::SimFault;
using tools::SimulatorOptions;
using tools::SimulatorResult;

std::vector<std::uint8_t> RandomImage(std::size_t records, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> image(records * 1024);
  for (auto& b : image) b = static_cast<std::uint8_t>(random());
  return image;
}

struct Download {
  TempFolder folder;
  asio::io_context io{1};
  TestHost host{io};
  SimulatorResult simulated;

  // One whole run of the link against a simulator on another thread.
  bool Run(SimulatorOptions options) {
    options.IdleWait = 10s;
    tools::GatewaySimulator simulator(std::move(options));
    if (!simulator.Listen("127.0.0.1", 0)) return false;
    std::thread gatewayThread([&] { simulated = simulator.ServeOne(); });
    GatewayLink link(io, host, LinkOptions{200ms, simulator.Port()});
    host.Attach(link);
    bool ended = link.StartReading(folder.path(), {127, 0, 0, 1}, "127.0.0.1") &&
                 RunUntil(
                     io, [&] { return host.Ended(); }, 60s);
    frames = link.ReceivedFrames;
    // The simulator waits for the link to close the connection.
    gatewayThread.join();
    return ended;
  }
  std::string Image() const { return ReadFileBytes(folder.path() / "read.nmd"); }
  std::int16_t frames = 0;
};

struct ModeCase {
  const char* Name;
  SimFault Fault;
  std::size_t FaultAfter;
  std::size_t Segment;
  bool Succeeds;              // timCSV, otherwise timEnd with code 4
  std::size_t RecordsStored;  // of the 40 served
  std::int16_t Frames;        // handled by the link
};

class SimulatorModeTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(SimulatorModeTest, LinkStoresWhatArrivedAndEndsAsTheModeRequires) {
  const ModeCase& mode = GetParam();
  const std::vector<std::uint8_t> image = RandomImage(40, 11);
  SimulatorOptions options;
  options.Image = image;
  options.Fault = mode.Fault;
  options.FaultAfter = mode.FaultAfter;
  options.Segment = mode.Segment;
  Download download;
  ASSERT_TRUE(download.Run(options));

  const std::string stored = download.Image();
  EXPECT_EQ(stored, std::string(image.begin(), image.begin() + mode.RecordsStored * 1024));
  EXPECT_EQ(download.frames, mode.Frames);
  EXPECT_TRUE(download.simulated.AllAcksRight()) << download.simulated.Summary();
  if (mode.Fault != SimFault::close) {
    EXPECT_TRUE(download.simulated.ClientClosed) << download.simulated.Summary();
  }
  if (mode.Succeeds) {
    EXPECT_TRUE(download.host.Fired(DeferredStep::timCSV));
    EXPECT_FALSE(download.host.ResultCode.has_value());
    EXPECT_EQ(download.host.LastProgress(), 100);
  } else {
    EXPECT_TRUE(download.host.Fired(DeferredStep::timEnd));
    EXPECT_EQ(download.host.ResultCode, 4);
  }
  EXPECT_EQ(download.host.Unload, (std::vector{false, true}));
}

INSTANTIATE_TEST_SUITE_P(Modes, SimulatorModeTest,
                         ::testing::Values(ModeCase{"Plain", SimFault::none, 0, 0, true, 40, 41},
                                           ModeCase{"Split", SimFault::split, 30, 0, true, 40, 41},
                                           ModeCase{"Nagle", SimFault::nagle, 0, 300, true, 40, 41},
                                           ModeCase{"Joined", SimFault::joined, 0, 0, true, 40, 41},
                                           ModeCase{"Silent", SimFault::silent, 7, 0, false, 7, 7},
                                           ModeCase{"Close", SimFault::close, 5, 0, false, 5, 5},
                                           ModeCase{"Refuse", SimFault::refuse, 0, 0, false, 40, 41},
                                           ModeCase{"Malformed", SimFault::malformed, 12, 0, false, 12, 13},
                                           ModeCase{"Record0", SimFault::record0, 0, 0, false, 0, 1}),
                         [](const auto& info) { return std::string(info.param.Name); });

// Plays the reading side by hand to see what the simulator makes of it.
SimulatorResult ServeScriptedClient(const std::vector<std::uint8_t>& request, bool wrongAck) {
  SimulatorOptions options;
  options.Image = RandomImage(2, 9);
  options.IdleWait = 5s;
  tools::GatewaySimulator simulator(options);
  EXPECT_TRUE(simulator.Listen("127.0.0.1", 0));
  SimulatorResult result;
  std::thread gatewayThread([&] { result = simulator.ServeOne(); });
  {
    tools::SimConnection client = tools::ConnectTo("127.0.0.1", simulator.Port());
    EXPECT_TRUE(client.WriteAll(request));
    std::vector<std::uint8_t> frame(1030);
    for (int i = 0; i < 2 && client.ReadExactly(frame, 5s) == tools::ReadOutcome::ok; ++i) {
      std::vector<std::uint8_t> ack = frame;
      ack[2] = '1';
      ack[3] = '5';
      if (wrongAck && i == 1) ack[700] ^= 1;
      client.WriteAll(ack);
    }
    std::vector<std::uint8_t> end(5);
    client.ReadExactly(end, 1s);
  }
  gatewayThread.join();
  return result;
}

TEST(SimulatorTest, JudgesTheAcknowledgements) {
  const std::vector<std::uint8_t> readRequest = {0x02, 0x00, 0x30, 0x31};
  const SimulatorResult right = ServeScriptedClient(readRequest, false);
  EXPECT_TRUE(right.AllAcksRight()) << right.Summary();
  EXPECT_EQ(right.AcksRight, 2u);
  EXPECT_TRUE(right.EndSent);

  const SimulatorResult wrong = ServeScriptedClient(readRequest, true);
  EXPECT_FALSE(wrong.AllAcksRight());
  EXPECT_EQ(wrong.AcksRight, 1u);
  EXPECT_EQ(wrong.AcksWrong, 1u);
  EXPECT_FALSE(wrong.EndSent);

  const SimulatorResult badRequest = ServeScriptedClient({0x02, 0x00, 0x30, 0x36}, false);
  EXPECT_FALSE(badRequest.RequestReceived);
  EXPECT_FALSE(badRequest.AllAcksRight());
  EXPECT_EQ(badRequest.FramesSent, 0u);
}

}  // namespace
}  // namespace varkelo::gateway
