#include "run/run_sequence.hpp"

#include <array>
#include <asio/post.hpp>
#include <cstdint>
#include <exception>
#include <utility>

#include "platform/files.hpp"
#include "platform/utf8_path.hpp"
#include "run/gateway_address.hpp"
#include "run/profile_reader.hpp"

namespace varkelo::run {
namespace {

// Why an address read from "System.ini" cannot be used, where the system has no word for it.
enum class StartError { NotFourNumbers = 1, NamesNoGateway };

std::string_view ReasonText(StartError error) {
  switch (error) {
    case StartError::NotFourNumbers:
      return "not four decimal numbers from 0 to 255 separated by dots (host names are not supported)";
    case StartError::NamesNoGateway:
      return "0.0.0.0 names no gateway";
  }
  return "unknown start-up error";
}

}  // namespace

RunSequence::RunSequence(asio::io_context& io, View& view, std::filesystem::path appFolder,
                         gateway::LinkOptions linkOptions)
    : io_(io),
      view_(view),
      appFolder_(std::move(appFolder)),
      imagePath_(appFolder_.empty() ? std::filesystem::path() : appFolder_ / "read.nmd"),
      linkOptions_(linkOptions),
      link_(io, *this, linkOptions) {}

void RunSequence::ShowStatus(std::string_view tail) {
  view_.ShowStatus("「" + address_ + "」のスマートゲートウェイ" + std::string(tail));
}

void RunSequence::Start() {
  view_.ShowProgress(Progress::Download, 0);
  view_.ShowProgress(Progress::Export, 0);
  const std::string ini = platform::Utf8FromPath(appFolder_ / "System.ini");
  // Whatever stops the start-up counts as a start-up failure.
  platform::Failure failure{.what = "cannot start the run", .subject = ini, .error = {}};
  try {
    const platform::Result<std::string> read = ReadGatewayAddress(appFolder_);
    address_ = read ? *read : std::string();
    const auto address = ParseGatewayAddress(address_);
    ShowStatus("に接続中");
    if (!read) {
      failure = read.Reason();
    } else if (address_.empty()) {
      failure = {.what = "no Address in the [System] section of", .subject = ini, .error = {}};
    } else if (!address) {
      failure = {.what = "invalid Address=" + address_ + " in",
                 .subject = ini,
                 .error = platform::OwnErrorCode(StartError::NotFourNumbers)};
    } else if (*address == std::array<std::uint8_t, 4>{}) {
      // It passes the check, but names no gateway: a connection to it would
      // reach this very computer on some systems and fail on others.
      ShowStatus("の接続に失敗しました");
      Settle(RunOutcome::NoConnection,
             platform::Failure{.what = "cannot connect to the address in",
                               .subject = ini,
                               .error = platform::OwnErrorCode(StartError::NamesNoGateway)});
      PostFinish();
      return;
    } else {
      busy_ = true;
      if (link_.Start(*address, imagePath_)) return;
      failure = {.what = "cannot start a connection to", .subject = address_, .error = {}};
    }
  } catch (const std::exception& e) {
    failure.what = std::string("cannot start the run (") + e.what() + "):";
  }
  busy_ = false;
  Settle(RunOutcome::InvalidAddress, std::move(failure));
  PostFinish();
}

void RunSequence::Settle(RunOutcome outcome, std::optional<platform::Failure> reason) {
  result_.outcome = outcome;
  result_.reason = std::move(reason);
}

void RunSequence::StartExportOnly() {
  view_.ShowProgress(Progress::Download, 0);
  view_.ShowProgress(Progress::Export, 0);
  // The address only names the gateway in the status texts here.
  const platform::Result<std::string> read = ReadGatewayAddress(appFolder_);
  address_ = read ? *read : std::string();
  busy_ = true;
  asio::post(io_, [this] { Export(); });
}

void RunSequence::OnRequestSent() {
  ShowStatus("の読込み応答待機中");
}

void RunSequence::OnDataFrameAcknowledged() {
  ShowStatus("の読込みデータ転送中");
}

void RunSequence::OnDownloadProgress(int percent) {
  view_.ShowProgress(Progress::Download, percent);
}

void RunSequence::OnDownloadFinished(const gateway::LinkResult& result) {
  using gateway::LinkOutcome;
  if (result.outcome == LinkOutcome::Downloaded) {
    // Still busy: nothing may close the run between the download and the export.
    busy_ = true;
    asio::post(io_, [this] { Export(); });
    return;
  }
  // The outcome is settled before the view hears of it: the run may be closed from now on.
  busy_ = false;
  switch (result.outcome) {
    case LinkOutcome::NotConnected:
    case LinkOutcome::ConnectionRefused:
      Settle(RunOutcome::NoConnection, LinkFailure(result));
      break;
    case LinkOutcome::RequestNotSent:
    case LinkOutcome::Stopped:
    case LinkOutcome::Downloaded:
      // The outcome stays open: the report says the run ended without one.
      Settle(RunOutcome::None, LinkFailure(result));
      break;
    default:
      Settle(RunOutcome::NoResponse, LinkFailure(result));
      break;
  }
  switch (result.outcome) {
    case LinkOutcome::NotConnected:
    case LinkOutcome::NoResponse:
      ShowStatus("のタイムアウト");
      break;
    case LinkOutcome::ConnectionRefused:
      ShowStatus("の接続に失敗しました");
      break;
    case LinkOutcome::ClosedEarly:
      ShowStatus("との接続が切断されました");
      break;
    case LinkOutcome::RequestNotSent:
      view_.ShowStatus("送信エラー");
      break;
    default:
      break;
  }
  if (result.outcome == LinkOutcome::NoResponse || result.outcome == LinkOutcome::ClosedEarly) {
    view_.ShowProgress(Progress::Download, 0);
  }
  PostFinish();
}

platform::Failure RunSequence::LinkFailure(const gateway::LinkResult& result) const {
  using gateway::LinkOutcome;
  const std::string gateway = address_ + ":" + std::to_string(linkOptions_.port);
  const std::string records = std::to_string(result.recordsStored) + " records";
  const auto seconds = [](std::chrono::milliseconds wait) {
    const auto tenths = wait.count() / 100;
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) text.append(".").append(std::to_string(tenths % 10));
    return text.append(" s");
  };
  const auto at = [&](std::string what) {
    return platform::Failure{.what = std::move(what), .subject = gateway, .error = result.error};
  };
  switch (result.outcome) {
    case LinkOutcome::NotConnected:
      return at("no connection within " + seconds(linkOptions_.connectWait) + " to the gateway at");
    case LinkOutcome::ConnectionRefused:
      return at("cannot connect to the gateway at");
    case LinkOutcome::NoResponse:
      return at("no data for " + seconds(linkOptions_.tickInterval * linkOptions_.responseTimeoutTicks) +
                ", after " + records + ", from the gateway at");
    case LinkOutcome::ClosedEarly:
      return at("connection closed after " + records + ", before the end of the transfer, by the gateway at");
    case LinkOutcome::Refused:
      return at("transfer refused, after " + records + ", by the gateway at");
    case LinkOutcome::RecordNotStored:
      if (result.failure) return *result.failure;
      return {.what = "cannot store a record in", .subject = platform::Utf8FromPath(imagePath_), .error = {}};
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

void RunSequence::Export() {
  if (finished_) return;
  ShowStatus("のCSV作成中");
  exporting::Exporter exporter(appFolder_);
  const exporting::ExportResult exported = exporter.RunExport(imagePath_, *this);
  // A stop reported the run already, at the moment it came.
  if (finished_) return;
  result_.gatewayFolder = exported.gatewayFolder;
  result_.dayFiles = exported.dayFiles;
  switch (exported.outcome) {
    case exporting::ExportOutcome::Success:
      Settle(RunOutcome::Success, std::nullopt);
      break;
    case exporting::ExportOutcome::CsvError:
      Settle(RunOutcome::CsvError, exported.failure);
      break;
    case exporting::ExportOutcome::Stopped:
      // A stopped run reports that it ended without an outcome.
      Settle(RunOutcome::None, platform::Failure{.what = "the export was stopped before its end, in",
                                                 .subject = platform::Utf8FromPath(result_.gatewayFolder),
                                                 .error = {}});
      break;
  }
  busy_ = false;
  PostFinish();
}

void RunSequence::OnProgress(int percent) {
  view_.ShowProgress(Progress::Export, percent);
}

void RunSequence::LetEventsRun() {
  // Requests that arrive during the export are answered now: a close request
  // is refused, not kept to close the program after the export, and a stop
  // ends the export right after this, between two files.
  io_.poll();
}

void RunSequence::PostFinish() {
  asio::post(io_, [this] { Finish(); });
}

void RunSequence::Finish() {
  if (finished_) return;
  finished_ = true;
  busy_ = false;
  result_.gatewayAddress = address_;
  const platform::Status written = WriteResultReport(appFolder_, result_.outcome, address_);
  if (!written) {
    result_.reportFailure = written.Reason();
    result_.earlierReportLeft =
        platform::KindOfEntry(appFolder_ / "error.txt") == platform::EntryKind::RegularFile;
  }
  view_.Close(result_);
  io_.stop();
}

void RunSequence::OnStopRequested(std::string_view request) {
  if (finished_) return;
  const bool busy = busy_;
  link_.Stop();
  if (busy) {
    stopped_ = true;
    Settle(RunOutcome::None, platform::Failure{.what = "run stopped by " + std::string(request) + " in",
                                               .subject = platform::Utf8FromPath(appFolder_),
                                               .error = {}});
  }
  // Every file written so far is whole: the link writes records one at a time
  // and the export is between two files whenever a handler runs.
  Finish();
}

bool RunSequence::OnCloseRequested() {
  if (finished_) return true;
  if (busy_) return false;
  // Not busy: the run ends here, and still reports how.
  Finish();
  return true;
}

}  // namespace varkelo::run
