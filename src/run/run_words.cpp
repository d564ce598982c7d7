#include "run/run_words.hpp"

#include <utility>

#include "platform/folder_lock.hpp"
#include "platform/utf8_path.hpp"
#include "run/result_report.hpp"

namespace varkelo::run {

std::string_view ReasonText(AddressProblem problem) {
  switch (problem) {
    case AddressProblem::Missing:
      break;
    case AddressProblem::NotFourNumbers:
      return "not four decimal numbers from 0 to 255 separated by dots";
    case AddressProblem::HostName:
      return "not four decimal numbers from 0 to 255 separated by dots (host names are not supported)";
    case AddressProblem::NamesNoGateway:
      return "0.0.0.0 names no gateway";
  }
  return "no address";
}

namespace {

// A duration as seconds with at most one decimal: "5 s", "0.5 s".
std::string Seconds(std::chrono::milliseconds wait) {
  const auto tenths = wait.count() / 100;
  std::string text = std::to_string(tenths / 10);
  if (tenths % 10 != 0) text.append(".").append(std::to_string(tenths % 10));
  return text.append(" s");
}

}  // namespace

std::string StatusText(const RunStatus& status) {
  const std::string gateway = "「" + status.address + "」のスマートゲートウェイ";
  switch (status.stage) {
    case RunStage::Connecting:
      return gateway + "に接続中";
    case RunStage::AwaitingResponse:
      return gateway + "の読込み応答待機中";
    case RunStage::Transferring:
      return gateway + "の読込みデータ転送中";
    case RunStage::Silent:
      return gateway + "の応答待ち（" + std::to_string(status.silentFor.count()) + "秒）";
    case RunStage::Exporting:
      return gateway + "のCSV作成中";
    case RunStage::TimedOut:
      return gateway + "のタイムアウト";
    case RunStage::ConnectFailed:
      return gateway + "の接続に失敗しました";
    case RunStage::ConnectionClosed:
      return gateway + "との接続が切断されました";
    case RunStage::RequestNotSent:
      break;
  }
  return "送信エラー";
}

platform::Failure AddressFailure(AddressProblem problem, std::string_view address,
                                 const std::filesystem::path& ini) {
  const std::string subject = platform::Utf8FromPath(ini);
  switch (problem) {
    case AddressProblem::Missing:
      return {.what = "no Address in the [System] section of", .subject = subject, .error = {}};
    case AddressProblem::NamesNoGateway:
      return {.what = "cannot connect to the address in",
              .subject = subject,
              .error = platform::OwnErrorCode(problem)};
    case AddressProblem::NotFourNumbers:
    case AddressProblem::HostName:
      break;
  }
  return {.what = "invalid Address=" + std::string(address) + " in",
          .subject = subject,
          .error = platform::OwnErrorCode(problem)};
}

platform::Failure DownloadFailure(const gateway::LinkResult& result, const DownloadContext& context) {
  using gateway::LinkOutcome;
  const std::string records = std::to_string(result.recordsStored) + " records";
  const auto at = [&](std::string what) {
    return platform::Failure{.what = std::move(what),
                             .subject = context.address + ":" + std::to_string(context.options.port),
                             .error = result.error};
  };
  switch (result.outcome) {
    case LinkOutcome::NotConnected:
      return at("no connection within " + Seconds(context.options.connectWait) + " to the gateway at");
    case LinkOutcome::ConnectionRefused:
      return at("cannot connect to the gateway at");
    case LinkOutcome::NoResponse:
      return at("no data for " +
                Seconds(context.options.tickInterval * context.options.responseTimeoutTicks) + ", after " +
                records + ", from the gateway at");
    case LinkOutcome::ClosedEarly:
      return at("connection closed after " + records + ", before the end of the transfer, by the gateway at");
    case LinkOutcome::Refused:
      return at("transfer refused, after " + records + ", by the gateway at");
    case LinkOutcome::RecordNotStored:
      if (result.failure) return *result.failure;
      return {.what = "cannot store a record in",
              .subject = platform::Utf8FromPath(context.imagePath),
              .error = {}};
    case LinkOutcome::BadFrame:
      return at("a frame that cannot be read, after " + records + ", from the gateway at");
    case LinkOutcome::AckNotSent:
      return at("cannot send an acknowledgement, after " + records + ", to the gateway at");
    case LinkOutcome::RequestNotSent:
      return at("cannot send the read request to the gateway at");
    case LinkOutcome::Stopped:
    case LinkOutcome::Downloaded:
      break;
  }
  return at("download stopped, after " + records + ", from the gateway at");
}

std::string OutcomeLine(const RunResult& result) {
  std::string line = ResultReportLine(result.outcome, result.gatewayAddress);
  if (result.outcome == RunOutcome::Success) {
    line += ": " + std::to_string(result.dayFiles) + (result.dayFiles == 1 ? " day file" : " day files") +
            " in " + platform::Utf8FromPath(result.gatewayFolder);
    for (const std::filesystem::path& page : result.pages) line += ", page " + platform::Utf8FromPath(page);
  }
  // Whoever reads the last line must not take an outcome that reached no
  // report for the report's.
  if (result.reportFailure) {
    line = "error.txt not written (the run: " + line + ")" +
           (result.earlierReportLeft
                ? "; the error.txt in the folder is an earlier run's, which could not be removed"
                : "");
  }
  return line;
}

int GatewayExitStatus(const RunResult& result) {
  return result.reportFailure ? ReportNotWrittenExitStatus : ExitStatusOf(result.outcome);
}

std::string GatewayLine(const GatewayRun& run) {
  const std::string name = platform::Utf8FromPath(run.folder.filename());
  if (run.skipped) {
    return name + "  skipped: " +
           (platform::IsFolderBusy(*run.skipped) ? "another run is reading this gateway"
                                                 : run.skipped->Describe());
  }
  const auto tenths = std::chrono::duration_cast<std::chrono::milliseconds>(run.duration).count() / 100;
  std::string line = name + "  " + ResultReportLine(run.result.outcome, run.result.gatewayAddress) + "  " +
                     std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
  if (run.result.reportFailure) line += "  (error.txt not written)";
  return line;
}

std::string FleetLine(const FleetCounts& counts) {
  // A person reads a skipped gateway as one that failed: it has no new data.
  const std::size_t failed = counts.failed + counts.skipped;
  return "done " + std::to_string(counts.succeeded + failed) + ", failed " + std::to_string(failed) +
         ", running " + std::to_string(counts.running) + " of " + std::to_string(counts.total);
}

std::string FleetSummary(const std::vector<GatewayRun>& runs, const FleetCounts& counts) {
  std::string line = ResultReportLine(RunOutcome::Success, "") + " " + std::to_string(counts.succeeded) +
                     " / " + std::to_string(counts.total);
  std::string failed;
  for (const GatewayRun& run : runs) {
    const int status = GatewayExitStatus(run.result);
    if (status == 0 && !run.skipped) continue;
    failed += (failed.empty() ? "" : ", ") + platform::Utf8FromPath(run.folder.filename()) + " (" +
              (run.skipped ? std::string("skipped") : std::to_string(status)) + ")";
  }
  const std::size_t notSucceeded = counts.failed + counts.skipped;
  if (notSucceeded > 0) line += "; " + std::to_string(notSucceeded) + " failed: " + failed;
  const std::size_t unread = counts.total - counts.succeeded - notSucceeded - counts.running;
  if (unread > 0) line += "; " + std::to_string(unread) + " not read";
  return line;
}

}  // namespace varkelo::run
