// The fleet on its own, against gateways on loopback: how many runs are under
// way at once, one connection per gateway, a stop during an export; and the
// turns of the export among runs.

#include "run/fleet.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <fstream>
#include <list>
#include <map>
#include <thread>

#include "export/export_driver.hpp"
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

// Gateways that take every connection, hold it for `hold` unanswered and close it: the run ends
// with no response. They count the connections open at once, in all and per address.
class HoldingGateways {
 public:
  HoldingGateways(asio::io_context& io, const std::vector<std::string>& addresses,
                  std::chrono::milliseconds hold)
      : io_(io), hold_(hold) {
    for (const std::string& address : addresses) {
      Accept(acceptors_.emplace_back(io, asio::ip::tcp::endpoint(asio::ip::make_address_v4(address), port_)),
             address);
      port_ = acceptors_.back().local_endpoint().port();
    }
  }
  std::uint16_t Port() const { return port_; }

  int mostAtOnce = 0;
  std::map<std::string, int> accepted, mostPerAddress;

 private:
  void Accept(asio::ip::tcp::acceptor& acceptor, const std::string& address) {
    acceptor.async_accept([this, &acceptor, address](std::error_code error, asio::ip::tcp::socket socket) {
      if (error) return;
      ++accepted[address];
      mostAtOnce = std::max(mostAtOnce, ++open_[""]);
      mostPerAddress[address] = std::max(mostPerAddress[address], ++open_[address]);
      auto held = std::make_shared<std::pair<asio::ip::tcp::socket, asio::steady_timer>>(
          std::move(socket), asio::steady_timer(io_, hold_));
      held->second.async_wait([this, held, address](std::error_code) {
        held->first.close();
        --open_[""];
        --open_[address];
      });
      Accept(acceptor, address);
    });
  }

  asio::io_context& io_;
  std::chrono::milliseconds hold_;
  std::uint16_t port_ = 0;
  std::list<asio::ip::tcp::acceptor> acceptors_;
  std::map<std::string, int> open_;  // "" for all
};

// A fleet of gateway folders, "gw0", "gw1", ..., each naming its address; its loop ends with the fleet.
struct FleetHarness : FleetObserver {
  explicit FleetHarness(const std::vector<std::string>& addresses) {
    for (std::size_t i = 0; i < addresses.size(); ++i) {
      folders.push_back(temp.Path() / ("gw" + std::to_string(i)));
      fs::create_directory(folders.back());
      std::ofstream(folders.back() / "System.ini") << "[System]\r\nAddress=" << addresses[i] << "\r\n";
    }
  }
  void Run(std::size_t parallel, std::uint16_t port) {
    fleet.emplace(io, folders,
                  FleetOptions{.parallel = parallel,
                               .link = {.connectWait = 10s, .tickInterval = 20ms, .port = port},
                               .folderHeld = {}},
                  *this);
    fleet->Start();
    io.run_for(60s);
  }
  std::string Report(std::size_t gateway) const { return ReadFileBytes(folders[gateway] / "error.txt"); }

  void OnGatewayEnded(const GatewayRun& run, const FleetCounts&) override { heard.push_back(run.folder); }
  void OnExportProgress(int percent) override {
    if (onExport) onExport(percent);
  }
  void OnFleetEnded(const FleetCounts&) override {
    ended = std::chrono::steady_clock::now();
    io.stop();
  }

  asio::io_context io;
  TempFolder temp;
  std::vector<fs::path> folders, heard;
  std::optional<Fleet> fleet;
  std::function<void(int)> onExport;
  std::optional<std::chrono::steady_clock::time_point> ended;
};

std::string ReportLine(RunOutcome outcome, const std::string& address) {
  std::string line;
  varkelo::text::EncodeCp932(ResultReportLine(outcome, address), line);
  return line + "\r\n";
}

TEST(Fleet, RunsAtMostParallelAndNeverTwoAtOneAddress) {
  // gw0 and gw1 name one gateway; gw5 is gone when its turn comes.
  const std::vector<std::string> addresses{"127.0.0.3", "127.0.0.3", "127.0.0.4",
                                           "127.0.0.5", "127.0.0.6", "127.0.0.7"};
  FleetHarness harness(addresses);
  HoldingGateways gateways(harness.io, {"127.0.0.3", "127.0.0.4", "127.0.0.5", "127.0.0.6"}, 300ms);
  fs::remove_all(harness.folders[5]);
  harness.Run(3, gateways.Port());
  ASSERT_TRUE(harness.ended);
  EXPECT_EQ(gateways.mostAtOnce, 3);
  EXPECT_EQ(gateways.accepted["127.0.0.3"], 2);
  EXPECT_EQ(gateways.mostPerAddress["127.0.0.3"], 1);
  for (std::size_t i = 0; i < 5; ++i)
    EXPECT_EQ(harness.Report(i), ReportLine(RunOutcome::NoResponse, addresses[i])) << i;
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
  ASSERT_TRUE(simulator.Listen("127.0.0.2", gateways.Port()));
  std::thread serving([&] { simulator.ServeOne(); });
  std::optional<std::chrono::steady_clock::time_point> stopped;
  harness.onExport = [&](int percent) {
    if (percent < 50 || stopped) return;
    stopped = std::chrono::steady_clock::now();
    harness.fleet->OnStopRequested("a test");
  };
  harness.Run(3, gateways.Port());
  serving.join();
  ASSERT_TRUE(stopped && harness.ended);
  EXPECT_LT(*harness.ended - *stopped, 1s);
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_EQ(harness.Report(i), ReportLine(RunOutcome::None, "127.0.0." + std::to_string(i + 2))) << i;
  EXPECT_FALSE(fs::exists(harness.folders[3] / "error.txt"));
  EXPECT_TRUE(TemporaryFilesUnder(harness.temp.Path()).empty());

  // Each file the stopped export left is the whole file an export to its end writes.
  TempFolder whole;
  ASSERT_TRUE(WriteFileBytes(whole.Path() / "read.nmd", image));
  struct : varkelo::exporting::ExportProgress {
    void LetEventsRun() override {}
    bool StopRequested() override { return false; }
    void OnProgress(int) override {}
  } unstopped;
  ASSERT_EQ(
      varkelo::exporting::Exporter(whole.Path()).RunExport(whole.Path() / "read.nmd", unstopped).outcome,
      varkelo::exporting::ExportOutcome::Success);
  std::size_t left = 0, written = 0;
  for (const auto& entry : fs::recursive_directory_iterator(whole.Path() / "SG012345")) {
    if (!entry.is_regular_file()) continue;
    ++written;
    const fs::path file = harness.folders[0] / fs::relative(entry.path(), whole.Path());
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
  const auto step = [&ran](int n) { return [&ran, n] { ran.push_back(n); }; };
  const ExportTurns::Ticket first = turns.Take(step(1)), second = turns.Take(step(2)),
                            third = turns.Take(step(3)), fourth = turns.Take(step(4));
  EXPECT_TRUE(ran.empty());  // a step never runs inside Take: its caller may be inside a poll
  const auto poll = [&io] {
    io.restart();
    io.poll();
  };
  poll();
  EXPECT_EQ(ran, std::vector<int>{1});  // the others wait while the first holds the turn
  turns.Leave(second);                  // a waiting turn left: its step never runs
  turns.Leave(first);
  EXPECT_EQ(ran, std::vector<int>{1});
  poll();
  EXPECT_EQ(ran, (std::vector<int>{1, 3}));
  // The turn given to the fourth, left before its step ran (its run stopped): the fifth gets it.
  const ExportTurns::Ticket fifth = turns.Take(step(5));
  turns.Leave(third);
  turns.Leave(fourth);
  poll();
  EXPECT_EQ(ran, (std::vector<int>{1, 3, 5}));
  turns.Leave(fifth);  // none holds the turn: the next one asked gets it at once
  turns.Take(step(6));
  poll();
  EXPECT_EQ(ran, (std::vector<int>{1, 3, 5, 6}));
}

}  // namespace
