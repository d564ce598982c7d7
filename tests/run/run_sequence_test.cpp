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
  void ShowStatus(std::string_view text) override {
    if (statuses.empty() || statuses.back() != text) statuses.emplace_back(text);
    if (onStatus) onStatus(text);
  }
  void ShowProgress(Progress bar, int percent) override {
    (bar == Progress::Download ? download : exported).push_back(percent);
  }
  void Close(const RunResult&) override { ++closes; }

  std::vector<std::string> statuses;  // each change once
  std::vector<int> download, exported;
  int closes = 0;
  std::function<void(std::string_view)> onStatus;
};

const std::vector<std::uint8_t>& SampleImage() {
  static const std::vector<std::uint8_t> image = varkelo::tools::MakeSampleImage({.days = 20});
  return image;
}

SimulatorOptions Gateway(SimFault fault = SimFault::None, std::size_t records = 0) {
  return {.image = SampleImage(), .records = records, .fault = fault, .faultAfter = 5, .idleWait = 10s};
}

// One run in a fresh application folder. Ticks of 5 ms make the response time-out half a second.
struct RunHarness {
  explicit RunHarness(std::optional<std::string> address = "127.0.0.1") {
    if (address) std::ofstream(temp.path() / "System.ini") << "[System]\r\nAddress=" << *address << "\r\n";
  }

  // Runs from start-up until the run closes the view, against a simulator when given.
  void Run(std::optional<SimulatorOptions> gateway, const std::function<void()>& afterStart = {}) {
    std::optional<varkelo::tools::GatewaySimulator> simulator;
    std::thread serving;
    varkelo::gateway::LinkOptions link{.connectWait = 30s, .tickInterval = 5ms};
    if (gateway) {
      simulator.emplace(*gateway);
      ASSERT_TRUE(simulator->Listen("127.0.0.1", 0));
      link.port = simulator->Port();
      serving = std::thread([&] { served = simulator->ServeOne(); });
    } else {
      asio::ip::tcp::acceptor probe(io, {asio::ip::address_v4::loopback(), 0});
      link.port = probe.local_endpoint().port();  // closed again before the run
    }
    run.emplace(io, view, temp.path(), link);
    run->Start();
    if (afterStart) afterStart();
    io.run_for(60s);
    if (serving.joinable()) serving.join();
  }
  // A run that starts from a "read.nmd" in place.
  RunSequence& Stored() {
    EXPECT_TRUE(WriteFileBytes(temp.path() / "read.nmd", SampleImage()));
    return run.emplace(io, view, temp.path());
  }
  // "error.txt" holds the line of the run's outcome.
  void ExpectReport(RunOutcome outcome) const {
    std::string line;
    varkelo::text::EncodeCp932(ResultReportLine(outcome, "127.0.0.1"), line);
    EXPECT_EQ(ReadFileBytes(temp.path() / "error.txt"), line + "\r\n");
    EXPECT_EQ(view.closes, 1);
  }

  TempFolder temp;
  std::optional<varkelo::tools::SimulatorResult> served;  // what the simulator saw, when there was one
  asio::io_context io;
  RecordingView view;
  std::optional<RunSequence> run;
};

const std::string Prefix = "「127.0.0.1」のスマートゲートウェイ";

TEST(RunSequence, EveryRunEndsWithItsOutcomeAndReport) {
  const struct {
    const char* name;
    std::optional<std::string> address;  // nothing: no "System.ini"
    std::optional<SimulatorOptions> gateway;
    RunOutcome outcome;
    std::string lastStatus;
  } cases[] = {
      {"success", " 127.0.0.1 ", Gateway(), RunOutcome::Success, Prefix + "のCSV作成中"},
      {"connection refused", "127.0.0.1", std::nullopt, RunOutcome::NoConnection,
       Prefix + "の接続に失敗しました"},
      {"no response", "127.0.0.1", Gateway(SimFault::Silent), RunOutcome::NoResponse,
       Prefix + "のタイムアウト"},
      {"peer closes", "127.0.0.1", Gateway(SimFault::Close), RunOutcome::NoResponse,
       Prefix + "との接続が切断されました"},
      {"transfer refused", "127.0.0.1", Gateway(SimFault::Refuse, 3), RunOutcome::NoResponse, ""},
      // Frames in pieces, and the last record and the end frame in one arrival.
      {"split frames", "127.0.0.1", Gateway(SimFault::Split, 40), RunOutcome::CsvError, ""},
      {"joined frames", "127.0.0.1", Gateway(SimFault::Joined, 40), RunOutcome::CsvError, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RunHarness harness(c.address);
    harness.Run(c.gateway);
    EXPECT_EQ(harness.run->Outcome(), c.outcome);
    harness.ExpectReport(c.outcome);
    if (!c.lastStatus.empty()) {
      EXPECT_EQ(harness.view.statuses.back(), c.lastStatus);
    }
    // Only a download that ended with the end frame leaves an image; none leaves a temporary file.
    EXPECT_EQ(fs::exists(harness.temp.path() / "read.nmd"),
              c.outcome == RunOutcome::Success || c.outcome == RunOutcome::CsvError);
    EXPECT_TRUE(TemporaryFilesUnder(harness.temp.path()).empty());
    if (harness.served) {  // every frame answered right, none that must not be, and the link closed
      EXPECT_TRUE(harness.served->AllAcksRight()) << harness.served->Summary();
      EXPECT_TRUE(harness.served->clientClosed || c.gateway->fault == SimFault::Close);
    }
    if (c.outcome == RunOutcome::NoResponse) {  // the download bar ends where the frames left it
      EXPECT_EQ(harness.view.download.back(), c.gateway->fault == SimFault::Refuse ? 100 : 0);
    }
    if (c.outcome != RunOutcome::Success) continue;
    EXPECT_EQ(harness.view.statuses,
              (std::vector<std::string>{Prefix + "に接続中", Prefix + "の読込み応答待機中",
                                        Prefix + "の読込みデータ転送中", Prefix + "のCSV作成中"}));
    EXPECT_EQ(ReadFileBytes(harness.temp.path() / "read.nmd"),
              std::string(SampleImage().begin(), SampleImage().end()));
    EXPECT_TRUE(fs::exists(harness.temp.path() / "SG012345" / "201212" / "20121210.csv"));
    for (const auto* bar : {&harness.view.download, &harness.view.exported})
      EXPECT_EQ(std::pair(bar->front(), bar->back()), std::pair(0, 100));
  }
}

TEST(RunSequence, RequestThatCannotBeSentEndsWithoutAnOutcome) {
  RunHarness harness;
  RunSequence run(harness.io, harness.view, harness.temp.path());
  run.OnDownloadFinished({.outcome = LinkOutcome::RequestNotSent, .error = {}, .failure = {}});
  harness.io.run_for(10s);
  EXPECT_EQ(run.Outcome(), RunOutcome::None);
  EXPECT_EQ(harness.view.statuses.back(), "送信エラー");
  harness.ExpectReport(RunOutcome::None);
}

// A close request is refused while the gateway is connected or the export is
// pending or running, and dropped; otherwise the run ends at once, reporting.
// A stop ends the run wherever it is: 異常, unless the run has its outcome.
TEST(RunSequence, CloseRequestsAreRefusedOnlyWhileBusyAndStopsEndTheRun) {
  const struct {
    const char* askDuring;  // status text that triggers the request; none: as soon as the run starts
    std::optional<SimulatorOptions> gateway;
    bool stop;  // a stop instead of a close request
    std::optional<bool> answer;
    RunOutcome outcome;
  } cases[] = {
      {nullptr, std::nullopt, false, false, RunOutcome::NoConnection},
      {"データ転送中", Gateway(), false, false, RunOutcome::Success},
      {"CSV作成中", Gateway(), false, false, RunOutcome::Success},
      {"タイムアウト", Gateway(SimFault::Silent), false, true, RunOutcome::NoResponse},
      {nullptr, std::nullopt, true, std::nullopt, RunOutcome::None},
      {"データ転送中", Gateway(), true, std::nullopt, RunOutcome::None},
      {"CSV作成中", Gateway(), true, std::nullopt, RunOutcome::None},
      {"タイムアウト", Gateway(SimFault::Silent), true, std::nullopt, RunOutcome::NoResponse},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.askDuring ? c.askDuring : "connecting") + (c.stop ? ", stop" : ""));
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
    harness.view.onStatus = [&](std::string_view text) {
      if (!asked && c.askDuring != nullptr && text.find(c.askDuring) != std::string_view::npos) ask();
    };
    harness.Run(c.gateway, c.askDuring == nullptr ? std::function<void()>(ask) : nullptr);
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(harness.run->Outcome(), c.outcome)
        << (harness.run->Result().reason ? harness.run->Result().reason->Describe() : "");
    harness.ExpectReport(c.outcome);
    EXPECT_TRUE(harness.run->OnCloseRequested());   // over: the view may go
    if (c.stop && c.outcome == RunOutcome::None) {  // ended where it was: no day file after the stop
      EXPECT_FALSE(fs::exists(harness.temp.path() / "SG012345" / "201212"));
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
