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
}
