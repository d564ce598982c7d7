// Whole runs in a fresh application folder, against the gateway simulator on
// loopback: how each run ends, what "error.txt" says, and which close requests
// the run takes.

#include "run/run_sequence.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include "file_hazards.hpp"
#include "lib/gateway_simulator.hpp"
#include "lib/sample_image.hpp"
#include "temp_folder.hpp"
#include "text/cp932.hpp"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace varkelo::run;
using varkelo::gateway::LinkOutcome;
using varkelo::tools::SimFault;
using varkelo::tools::SimulatorOptions;

namespace {

class RecordingView : public View {
 public:
  void ShowStatus(const RunStatus& status) override {
    address = status.address;
    if (stages.empty() || stages.back() != status.stage) stages.push_back(status.stage);
    if (onStage) onStage(status.stage);
  }
  void ShowProgress(Progress bar, int percent) override {
    (bar == Progress::Download ? download : exported).push_back(percent);
  }
  void Close(const RunResult&) override { ADD_FAILURE() << "the run closed the view itself"; }

  std::vector<RunStage> stages;  // each change once
  std::string address;           // of the last stage
  std::vector<int> download, exported;
  std::function<void(RunStage)> onStage;
};

const std::vector<std::uint8_t>& SampleImage() {
  static const std::vector<std::uint8_t> image = varkelo::tools::MakeSampleImage({.days = 20});
  return image;
}

SimulatorOptions Gateway(SimFault fault = SimFault::None, std::size_t records = 0) {
  return {.image = SampleImage(), .records = records, .fault = fault, .faultAfter = 5, .idleWait = 10s};
}

// One run in a fresh application folder. Ticks of 20 ms make the response time-out two seconds, long
// enough for a sanitizer build on a loaded machine, short enough for the one case that waits it out.
struct RunHarness {
  explicit RunHarness(std::optional<std::string> address = "127.0.0.1") {
    if (address) std::ofstream(temp.Path() / "System.ini") << "[System]\r\nAddress=" << *address << "\r\n";
  }

  // Runs from start-up until the run has ended, against a simulator when given.
  void Run(std::optional<SimulatorOptions> gateway, const std::function<void()>& afterStart = {}) {
    std::optional<varkelo::tools::GatewaySimulator> simulator;
    std::thread serving;
    varkelo::gateway::LinkOptions link{.connectWait = 30s, .tickInterval = 20ms};
    if (gateway) {
      simulator.emplace(*gateway);
      ASSERT_TRUE(simulator->Listen("127.0.0.1", 0));
      link.port = simulator->Port();
      serving = std::thread([&] { served = simulator->ServeOne(); });
    } else {
      asio::ip::tcp::acceptor probe(io, {asio::ip::address_v4::loopback(), 0});
      link.port = probe.local_endpoint().port();  // closed again before the run
    }
    run.emplace(io, view, temp.Path(), link, [this] { ++ends; });
    run->Start();
    if (afterStart) afterStart();
    io.run_for(60s);
    if (serving.joinable()) serving.join();
  }
  // A run that starts from a "read.nmd" in place.
  RunSequence& Stored() {
    EXPECT_TRUE(WriteFileBytes(temp.Path() / "read.nmd", SampleImage()));
    return run.emplace(io, view, temp.Path(), varkelo::gateway::LinkOptions{}, [this] { ++ends; });
  }
  // "error.txt" holds the line of the run's outcome.
  void ExpectReport(RunOutcome outcome) const {
    std::string line;
    varkelo::text::EncodeCp932(ResultReportLine(outcome, "127.0.0.1"), line);
    EXPECT_EQ(ReadFileBytes(temp.Path() / "error.txt"), line + "\r\n");
    EXPECT_EQ(ends, 1);
  }

  TempFolder temp;
  std::optional<varkelo::tools::SimulatorResult> served;  // what the simulator saw, when there was one
  asio::io_context io;
  RecordingView view;
  std::optional<RunSequence> run;
  int ends = 0;  // the owner heard that the run ended
};

TEST(RunSequence, EveryRunEndsWithItsOutcomeAndReport) {
  const struct {
    const char* name;
    std::optional<std::string> address;  // nothing: no "System.ini"
    std::optional<SimulatorOptions> gateway;
    RunOutcome outcome;
    std::optional<RunStage> lastStage;
  } cases[] = {
      {"success", " 127.0.0.1 ", Gateway(), RunOutcome::Success, RunStage::Exporting},
      {"connection refused", "127.0.0.1", std::nullopt, RunOutcome::NoConnection, RunStage::ConnectFailed},
      {"no response", "127.0.0.1", Gateway(SimFault::Silent), RunOutcome::NoResponse, RunStage::TimedOut},
      {"peer closes", "127.0.0.1", Gateway(SimFault::Close), RunOutcome::NoResponse,
       RunStage::ConnectionClosed},
      {"transfer refused", "127.0.0.1", Gateway(SimFault::Refuse, 3), RunOutcome::NoResponse, std::nullopt},
      // Frames in pieces, and the last record and the end frame in one arrival.
      {"split frames", "127.0.0.1", Gateway(SimFault::Split, 40), RunOutcome::CsvError, std::nullopt},
      {"joined frames", "127.0.0.1", Gateway(SimFault::Joined, 40), RunOutcome::CsvError, std::nullopt},
      // Nothing said of a connection before the address has passed its check.
      {"invalid address", "gateway.local", std::nullopt, RunOutcome::InvalidAddress, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RunHarness harness(c.address);
    harness.Run(c.gateway);
    EXPECT_EQ(harness.run->Outcome(), c.outcome);
    harness.ExpectReport(c.outcome);
    if (c.lastStage) {
      EXPECT_EQ(harness.view.stages.back(), *c.lastStage);
    }
    if (c.outcome == RunOutcome::InvalidAddress) {
      EXPECT_TRUE(harness.view.stages.empty());
    }
    // Only a download that ended with the end frame leaves an image; none leaves a temporary file.
    EXPECT_EQ(fs::exists(harness.temp.Path() / "read.nmd"),
              c.outcome == RunOutcome::Success || c.outcome == RunOutcome::CsvError);
    EXPECT_TRUE(TemporaryFilesUnder(harness.temp.Path()).empty());
    if (harness.served) {  // every frame answered right, none that must not be, and the link closed
      EXPECT_TRUE(harness.served->AllAcksRight()) << harness.served->Summary();
      EXPECT_TRUE(harness.served->clientClosed || c.gateway->fault == SimFault::Close);
    }
    if (c.outcome == RunOutcome::NoResponse) {  // the download bar ends where the frames left it
      EXPECT_EQ(harness.view.download.back(), c.gateway->fault == SimFault::Refuse ? 100 : 0);
    }
    if (c.outcome != RunOutcome::Success) continue;
    EXPECT_EQ(harness.view.address, "127.0.0.1");
    EXPECT_EQ(harness.view.stages, (std::vector<RunStage>{RunStage::Connecting, RunStage::AwaitingResponse,
                                                          RunStage::Transferring, RunStage::Exporting}));
    EXPECT_EQ(ReadFileBytes(harness.temp.Path() / "read.nmd"),
              std::string(SampleImage().begin(), SampleImage().end()));
    EXPECT_TRUE(fs::exists(harness.temp.Path() / "SG012345" / "201212" / "20121210.csv"));
    for (const auto* bar : {&harness.view.download, &harness.view.exported})
      EXPECT_EQ(std::pair(bar->front(), bar->back()), std::pair(0, 100));
  }
}

TEST(RunSequence, RequestThatCannotBeSentEndsWithoutAnOutcome) {
  RunHarness harness;
  RunSequence& run = harness.Stored();
  run.OnDownloadFinished({.outcome = LinkOutcome::RequestNotSent, .error = {}, .failure = {}});
  harness.io.run_for(10s);
  EXPECT_EQ(run.Outcome(), RunOutcome::None);
  EXPECT_EQ(harness.view.stages.back(), RunStage::RequestNotSent);
  harness.ExpectReport(RunOutcome::None);
}

// A close request is refused while the gateway is connected or the export is
// pending or running, and dropped; otherwise the run ends at once, reporting.
// A stop ends the run wherever it is: 異常, unless the run has its outcome.
TEST(RunSequence, CloseRequestsAreRefusedOnlyWhileBusyAndStopsEndTheRun) {
  const struct {
    std::optional<RunStage> askDuring;  // stage that triggers the request; none: as soon as the run starts
    std::optional<SimulatorOptions> gateway;
    bool stop;  // a stop instead of a close request
    std::optional<bool> answer;
    RunOutcome outcome;
  } cases[] = {
      {std::nullopt, std::nullopt, false, false, RunOutcome::NoConnection},
      {RunStage::Transferring, Gateway(), false, false, RunOutcome::Success},
      {RunStage::Exporting, Gateway(), false, false, RunOutcome::Success},
      {RunStage::TimedOut, Gateway(SimFault::Silent), false, true, RunOutcome::NoResponse},
      {std::nullopt, std::nullopt, true, std::nullopt, RunOutcome::None},
      {RunStage::Transferring, Gateway(), true, std::nullopt, RunOutcome::None},
      {RunStage::Exporting, Gateway(), true, std::nullopt, RunOutcome::None},
      {RunStage::TimedOut, Gateway(SimFault::Silent), true, std::nullopt, RunOutcome::NoResponse},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.askDuring ? static_cast<int>(*c.askDuring) : -1) +
                 (c.stop ? ", stop" : ""));
    RunHarness harness;
    bool asked = false;
    std::optional<bool> answer;
    const auto ask = [&] {
      asked = true;
      if (c.stop) {
        harness.run->OnStopRequested("a test");
      } else {
        answer = harness.run->OnCloseRequested();
      }
    };
    harness.view.onStage = [&](RunStage stage) {
      if (!asked && stage == c.askDuring) ask();
    };
    harness.Run(c.gateway, c.askDuring ? nullptr : std::function<void()>(ask));
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(harness.run->Outcome(), c.outcome)
        << (harness.run->Result().reason ? harness.run->Result().reason->Describe() : "");
    harness.ExpectReport(c.outcome);
    EXPECT_TRUE(harness.run->OnCloseRequested());   // over: the view may go
    if (c.stop && c.outcome == RunOutcome::None) {  // ended where it was: no day file after the stop
      EXPECT_FALSE(fs::exists(harness.temp.Path() / "SG012345" / "201212"));
    }
  }

  // Nor between the end of the download and the start of the export.
  RunHarness harness;
  RunSequence& run = harness.Stored();
  run.OnDownloadFinished({.outcome = LinkOutcome::Downloaded, .error = {}, .failure = {}});
  EXPECT_FALSE(run.OnCloseRequested());
  harness.io.run_for(60s);
  harness.ExpectReport(RunOutcome::Success);
}

}  // namespace
