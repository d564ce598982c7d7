// The fleet on its own, against gateways on loopback: runs under way at once, one connection
// per gateway, a stop during an export; and the turns of the export among runs.

#include "run/fleet.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <fstream>
#include <list>
#include <map>
#include <thread>

#include "file_hazards.hpp"
#include "lib/gateway_simulator.hpp"
#include "lib/sample_image.hpp"
#include "run/result_report.hpp"
#include "temp_folder.hpp"
#include "text/cp932.hpp"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace varkelo::run;

namespace {

// Gateways that take every connection and close it unanswered after `hold`: the run ends with no
// response. They count the connections open at once, in all ("") and per address.
struct HoldingGateways {
  HoldingGateways(asio::io_context& io, const std::vector<std::string>& addresses,
                  std::chrono::milliseconds hold) {
    for (const std::string& address : addresses) {
      acceptors.emplace_back(io, asio::ip::tcp::endpoint(asio::ip::make_address_v4(address), port));
      port = acceptors.back().local_endpoint().port();
      Accept(acceptors.back(), address, hold);
    }
  }
  void Accept(asio::ip::tcp::acceptor& acceptor, const std::string& address, std::chrono::milliseconds hold) {
    acceptor.async_accept([=, this, &acceptor](std::error_code error, asio::ip::tcp::socket socket) {
      if (error) return;
      ++accepted[address];
      for (const std::string& key : {std::string(), address}) most[key] = std::max(most[key], ++open[key]);
      auto held = std::make_shared<std::pair<asio::ip::tcp::socket, asio::steady_timer>>(
          std::move(socket), asio::steady_timer(acceptor.get_executor(), hold));
      // The connection closes as the last handler that holds it ends.
      held->second.async_wait([this, held, address](std::error_code) { --open[""], --open[address]; });
      Accept(acceptor, address, hold);
    });
  }

  std::uint16_t port = 0;
  std::list<asio::ip::tcp::acceptor> acceptors;
  std::map<std::string, int> accepted, open, most;
};

// A fleet of gateway folders, "gw0", "gw1", ..., each naming its address; its loop ends with the fleet.
// The response time-out is the shipped one: gateways that hold a connection must outlast a whole download.
struct FleetHarness : FleetObserver {
  explicit FleetHarness(const std::vector<std::string>& addresses) {
    for (std::size_t i = 0; i < addresses.size(); ++i) {
      folders.push_back(temp.Path() / ("gw" + std::to_string(i)));
      fs::create_directory(folders.back());
      std::ofstream(folders.back() / "System.ini") << "[System]\r\nAddress=" << addresses[i] << "\r\n";
    }
  }
  void Run(std::size_t parallel, std::uint16_t port, bool exportOnly = false) {
    fleet.emplace(io, folders,
                  FleetOptions{.parallel = parallel,
                               .exportOnly = exportOnly,
                               .link = {.connectWait = 10s, .port = port},
                               .folderHeld = {}},
                  *this);
    fleet->Start();
    io.run_for(60s);
  }
  // "error.txt" of gateway `i` holds the line of `outcome`.
  void ExpectReport(std::size_t i, RunOutcome outcome, const std::string& address) const {
    std::string line;
    varkelo::text::EncodeCp932(ResultReportLine(outcome, address), line);
    EXPECT_EQ(ReadFileBytes(folders[i] / "error.txt"), line + "\r\n") << i;
  }

  void OnGatewayEnded(const GatewayRun& run, const FleetCounts&) override { heard.push_back(run.folder); }
  void OnExportProgress(int percent) override { onExport(percent); }
  void OnFleetEnded(const FleetCounts&) override {
    ended = std::chrono::steady_clock::now();
    io.stop();
  }

  asio::io_context io;
  TempFolder temp;
  std::vector<fs::path> folders, heard;
  std::optional<Fleet> fleet;
  std::function<void(int)> onExport = [](int) {};
  std::optional<std::chrono::steady_clock::time_point> ended;
};

TEST(Fleet, RunsAtMostParallelAndNeverTwoAtOneAddress) {
  // gw0 and gw1 name one gateway; gw5 is gone when its turn comes.
  const std::vector<std::string> addresses{"127.0.0.3", "127.0.0.3", "127.0.0.4",
                                           "127.0.0.5", "127.0.0.6", "127.0.0.7"};
  FleetHarness harness(addresses);
  HoldingGateways gateways(harness.io, {"127.0.0.3", "127.0.0.4", "127.0.0.5", "127.0.0.6"}, 300ms);
  fs::remove_all(harness.folders[5]);
  harness.Run(3, gateways.port);
  ASSERT_TRUE(harness.ended);
  EXPECT_EQ(gateways.most[""], 3);
  EXPECT_EQ(std::pair(gateways.accepted["127.0.0.3"], gateways.most["127.0.0.3"]), std::pair(2, 1));
  for (std::size_t i = 0; i < 5; ++i) harness.ExpectReport(i, RunOutcome::NoResponse, addresses[i]);
  EXPECT_FALSE(fs::exists(harness.folders[5]));
  // Each gateway heard of once, the skipped one too.
  std::sort(harness.heard.begin(), harness.heard.end());
  EXPECT_EQ(harness.heard, harness.folders);
  const FleetCounts counts = harness.fleet->Counts();
  EXPECT_EQ(std::tuple(counts.total, counts.succeeded, counts.failed, counts.skipped, counts.running),
            std::tuple(6u, 0u, 5u, 1u, 0u));
}

// A stop while gw0 exports and gw1 and gw2 download: every run under way ends within a second with its
// report, the export having written whole files only; gw3, not started, is left as it is.
TEST(Fleet, StopDuringAnExportEndsEveryRunWithWholeFiles) {
  FleetHarness harness({"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"});
  HoldingGateways gateways(harness.io, {"127.0.0.3", "127.0.0.4"}, 1h);
  const std::vector<std::uint8_t> image = varkelo::tools::MakeSampleImage({});
  varkelo::tools::GatewaySimulator simulator({.image = image, .idleWait = 30s});
  ASSERT_TRUE(simulator.Listen("127.0.0.2", gateways.port));
  std::thread serving([&] { simulator.ServeOne(); });
  std::optional<std::chrono::steady_clock::time_point> stopped;
  harness.onExport = [&](int percent) {
    if (percent < 50 || stopped) return;
    stopped = std::chrono::steady_clock::now();
    harness.fleet->OnStopRequested("a test");
  };
  harness.Run(3, gateways.port);
  serving.join();
  ASSERT_TRUE(stopped && harness.ended);
  EXPECT_LT(*harness.ended - *stopped, 1s);
  for (std::size_t i = 0; i < 3; ++i)
    harness.ExpectReport(i, RunOutcome::None, "127.0.0." + std::to_string(i + 2));
  EXPECT_FALSE(fs::exists(harness.folders[3] / "error.txt"));
  EXPECT_TRUE(TemporaryFilesUnder(harness.temp.Path()).empty());

  // Each file the stopped export left is the whole file an export to its end writes.
  FleetHarness whole({"127.0.0.2"});
  fs::copy_file(harness.folders[0] / "read.nmd", whole.folders[0] / "read.nmd");
  whole.Run(1, 0, true);
  ASSERT_EQ(whole.fleet->Counts().succeeded, 1u);
  std::size_t left = 0, written = 0;
  for (const auto& entry : fs::recursive_directory_iterator(whole.folders[0] / "SG012345")) {
    if (!entry.is_regular_file()) continue;
    ++written;
    const fs::path file = harness.folders[0] / fs::relative(entry.path(), whole.folders[0]);
    if (!fs::exists(file)) continue;
    ++left;
    EXPECT_EQ(ReadFileBytes(file), ReadFileBytes(entry.path())) << file;
  }
  EXPECT_GT(left, 1u);  // the meter list and a day file or more
  EXPECT_LT(left, written);
}

TEST(ExportTurns, OneAtATimeInTheOrderAskedAndPassedOnWhenLeft) {
  asio::io_context io;
  ExportTurns turns(io);
  std::vector<int> ran;
  std::vector<ExportTurns::Ticket> tickets;
  const auto take = [&](int n) { tickets.push_back(turns.Take([&ran, n] { ran.push_back(n); })); };
  const auto ranAfterPoll = [&] {
    io.restart();
    io.poll();
    return ran;
  };
  for (int n = 1; n <= 4; ++n) take(n);
  EXPECT_TRUE(ran.empty());  // a step never runs inside Take: its caller may be inside a poll
  EXPECT_EQ(ranAfterPoll(), std::vector<int>{1});  // the others wait while the first holds the turn
  turns.Leave(tickets[1]);                         // a waiting turn left: its step never runs
  turns.Leave(tickets[0]);
  EXPECT_EQ(ran, std::vector<int>{1});  // nor inside Leave
  EXPECT_EQ(ranAfterPoll(), (std::vector<int>{1, 3}));
  // The fourth's turn, left before its step ran (its run stopped), passes to the fifth.
  take(5);
  turns.Leave(tickets[2]);
  turns.Leave(tickets[3]);
  EXPECT_EQ(ranAfterPoll(), (std::vector<int>{1, 3, 5}));
}

}  // namespace
