// Every word the run's stages and ends are shown with, in one table: the
// status lines, the sentences that say why, and the console's last line.

#include "run/run_words.hpp"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace varkelo::run;
using varkelo::gateway::LinkOutcome;
using varkelo::gateway::LinkResult;

TEST(RunWords, StagesAndEndsInWords) {
  const std::string gateway = "「10.0.0.7」のスマートゲートウェイ";
  const struct {
    RunStatus status;
    std::string text;
  } stages[] = {
      {{RunStage::Connecting, "10.0.0.7", 0s}, gateway + "に接続中"},
      {{RunStage::AwaitingResponse, "10.0.0.7", 0s}, gateway + "の読込み応答待機中"},
      {{RunStage::Transferring, "10.0.0.7", 0s}, gateway + "の読込みデータ転送中"},
      {{RunStage::Silent, "10.0.0.7", 42s}, gateway + "の応答待ち（42秒）"},
      {{RunStage::Exporting, "10.0.0.7", 0s}, gateway + "のCSV作成中"},
      {{RunStage::TimedOut, "10.0.0.7", 0s}, gateway + "のタイムアウト"},
      {{RunStage::ConnectFailed, "10.0.0.7", 0s}, gateway + "の接続に失敗しました"},
      {{RunStage::ConnectionClosed, "10.0.0.7", 0s}, gateway + "との接続が切断されました"},
      {{RunStage::RequestNotSent, "10.0.0.7", 0s}, "送信エラー"},
  };
  for (const auto& c : stages) EXPECT_EQ(StatusText(c.status), c.text);

  const DownloadContext context{.address = "10.0.0.7",
                                .options = {.connectWait = 5s, .tickInterval = 5ms},
                                .imagePath = "/app/read.nmd"};
  const struct {
    LinkOutcome outcome;
    std::string sentence;
  } downloads[] = {
      {LinkOutcome::NotConnected, "no connection within 5 s to the gateway at 10.0.0.7:12000"},
      {LinkOutcome::ConnectionRefused, "cannot connect to the gateway at 10.0.0.7:12000"},
      {LinkOutcome::NoResponse, "no data for 0.5 s, after 3 records, from the gateway at 10.0.0.7:12000"},
      {LinkOutcome::ClosedEarly,
       "connection closed after 3 records, before the end of the transfer, by the gateway at 10.0.0.7:12000"},
      {LinkOutcome::Refused, "transfer refused, after 3 records, by the gateway at 10.0.0.7:12000"},
      {LinkOutcome::RecordNotStored, "cannot store a record in /app/read.nmd"},
      {LinkOutcome::BadFrame,
       "a frame that cannot be read, after 3 records, from the gateway at 10.0.0.7:12000"},
      {LinkOutcome::AckNotSent,
       "cannot send an acknowledgement, after 3 records, to the gateway at 10.0.0.7:12000"},
      {LinkOutcome::RequestNotSent, "cannot send the read request to the gateway at 10.0.0.7:12000"},
      {LinkOutcome::Stopped, "download stopped, after 3 records, from the gateway at 10.0.0.7:12000"},
  };
  for (const auto& c : downloads) {
    const LinkResult result{.outcome = c.outcome, .error = {}, .failure = {}, .recordsStored = 3};
    EXPECT_EQ(DownloadFailure(result, context).Describe(), c.sentence);
  }

  // The remark on host names only where a name was given.
  const struct {
    AddressProblem problem;
    std::string address;
    std::string sentence;
  } addresses[] = {
      {AddressProblem::Missing, "", "no Address in the [System] section of /app/System.ini"},
      {AddressProblem::NotFourNumbers, "10.0.0",
       "invalid Address=10.0.0 in /app/System.ini: not four decimal numbers from 0 to 255 separated by dots"},
      {AddressProblem::HostName, "gw7.local",
       "invalid Address=gw7.local in /app/System.ini: not four decimal numbers from 0 to 255 separated by "
       "dots "
       "(host names are not supported)"},
      {AddressProblem::NamesNoGateway, "0.0.0.0",
       "cannot connect to the address in /app/System.ini: 0.0.0.0 names no gateway"},
  };
  for (const auto& c : addresses)
    EXPECT_EQ(AddressFailure(c.problem, c.address, "/app/System.ini").Describe(), c.sentence);

  RunResult success{.outcome = RunOutcome::Success,
                    .gatewayAddress = "10.0.0.7",
                    .reason = {},
                    .gatewayFolder = "/app/SG1",
                    .dayFiles = 1,
                    .recordsDownloaded = 8192,
                    .pages = {},
                    .reportFailure = {}};
  EXPECT_EQ(OutcomeLine(success), "成功: 1 day file in /app/SG1");
  success.dayFiles = 2;
  success.pages = {"/app/SG1/report.html"};
  EXPECT_EQ(OutcomeLine(success), "成功: 2 day files in /app/SG1, page /app/SG1/report.html");
  success.outcome = RunOutcome::NoResponse;
  EXPECT_EQ(OutcomeLine(success), gateway + "との接続がタイムアウトしました。");

  // A fleet's lines: each gateway's, the whole's, the summary.
  std::vector<GatewayRun> runs(4);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    runs[i].folder = "/f/gw0" + std::to_string(i + 1);
    runs[i].result = success;
  }
  runs[0].result.outcome = RunOutcome::Success;
  runs[0].duration = 12345ms;
  runs[1].duration = 5000ms;
  runs[2].result.reportFailure =
      varkelo::platform::Failure{.what = "cannot write", .subject = "x", .error = {}};
  runs[3].skipped = varkelo::platform::Failure{
      .what = "", .subject = "", .error = std::make_error_code(std::errc::device_or_resource_busy)};
  EXPECT_EQ(GatewayLine(runs[0]), "gw01  成功  12.3 s");
  EXPECT_EQ(GatewayLine(runs[1]), "gw02  " + gateway + "との接続がタイムアウトしました。  5.0 s");
  EXPECT_EQ(GatewayLine(runs[3]), "gw04  skipped: another run is reading this gateway");
  const FleetCounts counts{.total = 6, .succeeded = 1, .failed = 2, .skipped = 1, .running = 1};
  EXPECT_EQ(FleetLine(counts), "done 4, failed 3, running 1 of 6");
  EXPECT_EQ(FleetSummary(runs, counts),
            "成功 1 / 6; 3 failed: gw02 (4), gw03 (7), gw04 (skipped); 1 not read");
  EXPECT_EQ(FleetSummary({runs[0]}, {.total = 1, .succeeded = 1, .failed = 0, .skipped = 0, .running = 0}),
            "成功 1 / 1");
}
