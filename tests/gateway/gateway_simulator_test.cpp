// The link against the gateway simulator in each of its modes.

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
  RecordingObserver observer;
  SimulatorResult simulated;
  std::int32_t frames = 0;

  // One whole download by the link from a simulator on another thread.
  bool Run(SimulatorOptions options) {
    options.IdleWait = 10s;
    tools::GatewaySimulator simulator(std::move(options));
    if (!simulator.Listen("127.0.0.1", 0)) return false;
    std::thread gatewayThread([&] { simulated = simulator.ServeOne(); });
    LinkOptions linkOptions;
    linkOptions.connectWait = 200ms;
    linkOptions.tickInterval = 5ms;
    linkOptions.port = simulator.Port();
    GatewayLink link(io, observer, linkOptions);
    const bool ended = link.Start({127, 0, 0, 1}, folder.path() / "read.nmd") &&
                       RunUntil(
                           io, [&] { return observer.outcome.has_value(); }, 60s);
    frames = link.ReceivedFrames();
    // The simulator waits for the link to close the connection.
    gatewayThread.join();
    return ended;
  }
  std::string Image() const { return ReadFileBytes(folder.path() / "read.nmd"); }
};

struct ModeCase {
  const char* Name;
  SimFault Fault;
  std::size_t FaultAfter;
  std::size_t Segment;
  LinkOutcome Outcome;
  std::size_t RecordsStored;  // of the 40 served
  std::int32_t Frames;        // handled by the link
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
  EXPECT_EQ(download.observer.outcome, mode.Outcome);
  EXPECT_EQ(download.observer.finishes, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SimulatorModeTest,
    ::testing::Values(ModeCase{"Plain", SimFault::none, 0, 0, LinkOutcome::Downloaded, 40, 41},
                      ModeCase{"Split", SimFault::split, 30, 0, LinkOutcome::Downloaded, 40, 41},
                      ModeCase{"Nagle", SimFault::nagle, 0, 300, LinkOutcome::Downloaded, 40, 41},
                      ModeCase{"Joined", SimFault::joined, 0, 0, LinkOutcome::Downloaded, 40, 41},
                      ModeCase{"Silent", SimFault::silent, 7, 0, LinkOutcome::NoResponse, 7, 7},
                      ModeCase{"Close", SimFault::close, 5, 0, LinkOutcome::NoResponse, 5, 5},
                      ModeCase{"Refuse", SimFault::refuse, 0, 0, LinkOutcome::Refused, 40, 41},
                      ModeCase{"Malformed", SimFault::malformed, 12, 0, LinkOutcome::NoResponse, 12, 13},
                      ModeCase{"Record0", SimFault::record0, 0, 0, LinkOutcome::NoResponse, 0, 1}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace varkelo::gateway
