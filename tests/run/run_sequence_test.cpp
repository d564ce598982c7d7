// Whole runs in a fresh application folder, against the gateway simulator on
// loopback: how each run ends, what "error.txt" says, and which close requests
// the run takes.

#include "run/run_sequence.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include "lib/gateway_simulator.hpp"
#include "lib/sample_image.hpp"
#include "run/result_report.hpp"
#include "temp_folder.hpp"
#include "text/cp932.hpp"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace varkelo::run;
using varkelo::gateway::LinkOutcome;
using varkelo::tools::GatewaySimulator;
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
  void Close() override { ++closes; }

  std::vector<std::string> statuses;  // each change once
  std::vector<int> download, exported;
  int closes = 0;
  std::function<void(std::string_view)> onStatus;
};

const std::vector<std::uint8_t>& SampleImage() {
  static const std::vector<std::uint8_t> image = [] {
    varkelo::tools::SampleOptions options;
    options.Days = 20;
    return varkelo::tools::MakeSampleImage(options);
  }();
  return image;
}

SimulatorOptions Gateway(SimFault fault = SimFault::none, std::size_t records = 0) {
  SimulatorOptions gateway;
  gateway.Image = SampleImage();
  gateway.Fault = fault;
  gateway.FaultAfter = 5;
  gateway.Records = records;
  gateway.IdleWait = 10s;
  return gateway;
}

// One run of the program in a fresh application folder. Ticks of 5 ms make
// the response time-out half a second.
class RunHarness {
 public:
  explicit RunHarness(std::optional<std::string> address = "127.0.0.1") {
    if (address) std::ofstream(temp.path() / "System.ini") << "[System]\r\nAddress=" << *address << "\r\n";
  }

  // Runs from start-up until the run closes the view, against a simulator when given.
  void Run(std::optional<SimulatorOptions> gateway, const std::function<void()>& afterStart = {}) {
    std::optional<GatewaySimulator> simulator;
    std::thread serving;
    varkelo::gateway::LinkOptions link;
    link.connectWait = 300ms;
    link.tickInterval = 5ms;
    if (gateway) {
      simulator.emplace(*gateway);
      ASSERT_TRUE(simulator->Listen("127.0.0.1", 0));
      link.port = simulator->Port();
      serving = std::thread([&] { simulator->ServeOne(); });
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

  std::string Report() const { return ReadFileBytes(temp.path() / "error.txt"); }

  TempFolder temp;
  asio::io_context io;
  RecordingView view;
  std::optional<RunSequence> run;
};

// The report line of an outcome, as it stands in "error.txt".
std::string Expected(RunOutcome outcome) {
  std::string bytes;
  varkelo::text::EncodeCp932(ResultReportLine(outcome, "127.0.0.1"), bytes);
  return bytes + "\r\n";
}

const std::string Prefix = "「127.0.0.1」のスマートゲートウェイ";

TEST(RunSequence, SuccessDownloadsExportsAndReports) {
  RunHarness harness(" 127.0.0.1 ");
  harness.Run(Gateway());
  EXPECT_EQ(harness.run->Outcome(), RunOutcome::Success);
  EXPECT_EQ(harness.Report(), Expected(RunOutcome::Success));
  EXPECT_EQ(harness.view.closes, 1);
  EXPECT_TRUE(ReadFileBytes(harness.temp.path() / "read.nmd") ==
              std::string(SampleImage().begin(), SampleImage().end()));
  EXPECT_TRUE(fs::exists(harness.temp.path() / "SG012345" / "201212" / "20121210.csv"));
  EXPECT_EQ(harness.view.statuses,
            (std::vector<std::string>{Prefix + "に接続中", Prefix + "の読込み応答待機中",
                                      Prefix + "の読込みデータ転送中", Prefix + "のCSV作成中"}));
  EXPECT_EQ(harness.view.download.front(), 0);
  EXPECT_EQ(harness.view.download.back(), 100);
  EXPECT_EQ(harness.view.exported.front(), 0);
  EXPECT_EQ(harness.view.exported.back(), 100);
}

TEST(RunSequence, EveryFailureEndsWithItsOutcomeAndReport) {
  const struct {
    const char* name;
    std::optional<std::string> address;  // nothing: no "System.ini"
    std::optional<SimulatorOptions> gateway;
    RunOutcome outcome;
    std::string lastStatus;
  } cases[] = {
      {"three parts", "10.0.0", std::nullopt, RunOutcome::InvalidAddress,
       "「10.0.0」のスマートゲートウェイに接続中"},
      {"part above 255", "10.0.0.256", std::nullopt, RunOutcome::InvalidAddress, ""},
      {"empty part", "10..0.1", std::nullopt, RunOutcome::InvalidAddress, ""},
      {"no System.ini", std::nullopt, std::nullopt, RunOutcome::InvalidAddress,
       "「」のスマートゲートウェイに接続中"},
      {"no connection", "127.0.0.1", std::nullopt, RunOutcome::NoConnection, Prefix + "のタイムアウト"},
      {"no response", "127.0.0.1", Gateway(SimFault::silent), RunOutcome::NoResponse,
       Prefix + "のタイムアウト"},
      {"peer closes", "127.0.0.1", Gateway(SimFault::close), RunOutcome::NoResponse,
       Prefix + "のタイムアウト"},
      {"malformed frame", "127.0.0.1", Gateway(SimFault::malformed), RunOutcome::NoResponse, ""},
      {"transfer refused", "127.0.0.1", Gateway(SimFault::refuse, 3), RunOutcome::NoResponse, ""},
      // Blocks past record 200 read as zeros: no calendar date.
      {"export failure", "127.0.0.1", Gateway(SimFault::none, 200), RunOutcome::CsvError, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RunHarness harness(c.address);
    harness.Run(c.gateway);
    EXPECT_EQ(harness.run->Outcome(), c.outcome);
    EXPECT_EQ(harness.Report(), Expected(c.outcome));
    EXPECT_EQ(harness.view.closes, 1);
    if (!c.lastStatus.empty()) {
      EXPECT_EQ(harness.view.statuses.back(), c.lastStatus);
    }
    if (c.outcome == RunOutcome::InvalidAddress) {
      EXPECT_FALSE(fs::exists(harness.temp.path() / "read.nmd"));
    }
    if (c.outcome == RunOutcome::NoResponse && c.gateway->Fault != SimFault::refuse) {
      EXPECT_EQ(harness.view.download.back(), 0);
    }
  }
}

TEST(RunSequence, RequestThatCannotBeSentEndsWithoutAnOutcome) {
  RunHarness harness;
  RunSequence run(harness.io, harness.view, harness.temp.path());
  run.OnDownloadFinished(LinkOutcome::SendFailed);  // the link's word, played by the test
  harness.io.run_for(10s);
  EXPECT_EQ(run.Outcome(), RunOutcome::None);
  EXPECT_EQ(harness.view.statuses.back(), "送信エラー");
  EXPECT_EQ(harness.Report(), "\x88\xD9\x8F\xED\r\n");  // 異常
}

TEST(RunSequence, ReportThatCannotBeWrittenIsTold) {
  RunHarness harness("10.0.0");
  fs::create_directory(harness.temp.path() / "error.txt");
  harness.Run(std::nullopt);
  EXPECT_EQ(harness.run->Outcome(), RunOutcome::InvalidAddress);
  EXPECT_TRUE(harness.run->Finished());
  EXPECT_FALSE(harness.run->ReportWritten());
  EXPECT_EQ(harness.view.closes, 1);
}

// A close request is refused while the gateway is connected or the export is
// pending or running, and dropped; otherwise the run ends at once, reporting.
TEST(RunSequence, CloseRequestsAreRefusedOnlyWhileBusy) {
  const struct {
    const char* name;
    const char* askDuring;  // status text that triggers the request; none: as soon as the run starts
    std::optional<SimulatorOptions> gateway;
    bool answer;
    RunOutcome outcome;
  } cases[] = {
      {"connecting", nullptr, std::nullopt, false, RunOutcome::NoConnection},
      {"transferring", "データ転送中", Gateway(), false, RunOutcome::Success},
      {"exporting", "CSV作成中", Gateway(), false, RunOutcome::Success},
      {"after a failed download", "タイムアウト", Gateway(SimFault::silent), true, RunOutcome::NoResponse},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RunHarness harness;
    std::optional<bool> answer;
    const auto ask = [&] { answer = harness.run->OnCloseRequested(); };
    harness.view.onStatus = [&](std::string_view text) {
      if (!answer && c.askDuring != nullptr && text.find(c.askDuring) != std::string_view::npos) ask();
    };
    harness.Run(c.gateway, c.askDuring == nullptr ? std::function<void()>(ask) : nullptr);
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(harness.run->Outcome(), c.outcome);
    EXPECT_EQ(harness.Report(), Expected(c.outcome));
    EXPECT_EQ(harness.view.closes, 1);
    EXPECT_TRUE(harness.run->OnCloseRequested());  // over: the view may go
  }
}

TEST(RunSequence, NoCloseBetweenTheDownloadAndTheExport) {
  RunHarness harness;
  std::ofstream(harness.temp.path() / "read.nmd", std::ios::binary)
      .write(reinterpret_cast<const char*>(SampleImage().data()),
             static_cast<std::streamsize>(SampleImage().size()));
  RunSequence run(harness.io, harness.view, harness.temp.path());
  run.OnDownloadFinished(LinkOutcome::Downloaded);  // the link's word, played by the test
  EXPECT_FALSE(run.OnCloseRequested());
  harness.io.run_for(60s);
  EXPECT_EQ(run.Outcome(), RunOutcome::Success);
  EXPECT_EQ(harness.Report(), Expected(RunOutcome::Success));
}

TEST(RunSequence, ExportOnlyMakesTheCsvFilesAgain) {
  RunHarness harness("192.0.2.10");
  std::ofstream(harness.temp.path() / "read.nmd", std::ios::binary)
      .write(reinterpret_cast<const char*>(SampleImage().data()),
             static_cast<std::streamsize>(SampleImage().size()));
  RunSequence run(harness.io, harness.view, harness.temp.path());
  run.StartExportOnly();
  EXPECT_FALSE(run.OnCloseRequested());
  harness.io.run_for(60s);
  EXPECT_EQ(run.Outcome(), RunOutcome::Success);
  EXPECT_EQ(harness.view.statuses,
            std::vector<std::string>{"「192.0.2.10」のスマートゲートウェイのCSV作成中"});
  EXPECT_EQ(harness.Report(), Expected(RunOutcome::Success));
  EXPECT_TRUE(fs::exists(harness.temp.path() / "SG012345" / "201212" / "20121215.csv"));
}

}  // namespace
