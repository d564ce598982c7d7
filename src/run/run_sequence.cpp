#include "run/run_sequence.hpp"

#include <asio/post.hpp>
#include <utility>

#include "gateway/frames.hpp"
#include "run/gateway_address.hpp"
#include "run/profile_reader.hpp"

namespace varkelo::run {

RunSequence::RunSequence(asio::io_context& io, View& view, std::filesystem::path appFolder,
                         gateway::LinkOptions linkOptions)
    : io_(io),
      view_(view),
      appFolder_(std::move(appFolder)),
      imagePath_(appFolder_.empty() ? std::filesystem::path() : appFolder_ / "read.nmd"),
      link_(io, *this, linkOptions) {}

void RunSequence::ShowStatus(std::string_view tail) {
  view_.ShowStatus("「" + address_ + "」のスマートゲートウェイ" + std::string(tail));
}

void RunSequence::Start() {
  view_.ShowProgress(Progress::Download, 0);
  view_.ShowProgress(Progress::Export, 0);
  try {
    const platform::Result<std::string> read = ReadGatewayAddress(appFolder_);
    address_ = read ? *read : std::string();
    const auto address = ParseGatewayAddress(address_);
    ShowStatus("に接続中");
    if (address) {
      busy_ = true;
      if (link_.Start(*address, imagePath_)) return;
    }
  } catch (...) {
    // Whatever stops the start-up counts as a start-up failure.
  }
  busy_ = false;
  outcome_ = RunOutcome::InvalidAddress;
  PostFinish();
}

void RunSequence::StartExportOnly() {
  view_.ShowProgress(Progress::Download, 0);
  view_.ShowProgress(Progress::Export, 0);
  try {
    const platform::Result<std::string> read = ReadGatewayAddress(appFolder_);
    address_ = read ? *read : std::string();
  } catch (...) {
    address_.clear();
  }
  busy_ = true;
  asio::post(io_, [this] { Export(); });
}

void RunSequence::OnRequestSent() {
  view_.ShowStatus(gateway::RequestStatusText(gateway::ReadRequestPhase, address_));
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
      outcome_ = RunOutcome::NoConnection;
      ShowStatus("のタイムアウト");
      break;
    case LinkOutcome::ConnectionRefused:
      outcome_ = RunOutcome::NoConnection;
      ShowStatus("の接続に失敗しました");
      break;
    case LinkOutcome::NoResponse:
      outcome_ = RunOutcome::NoResponse;
      ShowStatus("のタイムアウト");
      view_.ShowProgress(Progress::Download, 0);
      break;
    case LinkOutcome::ClosedEarly:
      outcome_ = RunOutcome::NoResponse;
      ShowStatus("との接続が切断されました");
      view_.ShowProgress(Progress::Download, 0);
      break;
    case LinkOutcome::Refused:
    case LinkOutcome::RecordNotStored:
    case LinkOutcome::BadFrame:
    case LinkOutcome::AckNotSent:
      outcome_ = RunOutcome::NoResponse;
      break;
    case LinkOutcome::RequestNotSent:
      // The outcome stays open: the report says the run ended without one.
      view_.ShowStatus("送信エラー");
      break;
    case LinkOutcome::Stopped:
    case LinkOutcome::Downloaded:
      break;
  }
  PostFinish();
}

void RunSequence::Export() {
  ShowStatus("のCSV作成中");
  exporting::ExportOutcome exported = exporting::ExportOutcome::CsvError;
  try {
    exporting::Exporter exporter(appFolder_);
    exported = exporter.RunExport(imagePath_, *this).outcome;
  } catch (...) {
    // Whatever stops the export fails it.
  }
  switch (exported) {
    case exporting::ExportOutcome::Success:
      outcome_ = RunOutcome::Success;
      break;
    case exporting::ExportOutcome::CsvError:
      outcome_ = RunOutcome::CsvError;
      break;
    case exporting::ExportOutcome::Stopped:
      // A stopped run reports that it ended without an outcome.
      outcome_ = RunOutcome::None;
      break;
  }
  busy_ = false;
  PostFinish();
}

void RunSequence::OnProgress(int percent) {
  view_.ShowProgress(Progress::Export, percent);
}

bool RunSequence::StopRequested() {
  return false;
}

void RunSequence::LetEventsRun() {
  // Close requests that arrive during the export are answered now, while the
  // run is busy, so none of them waits to close the program after the export.
  io_.poll();
}

void RunSequence::PostFinish() {
  asio::post(io_, [this] { Finish(); });
}

void RunSequence::Finish() {
  if (finished_) return;
  finished_ = true;
  busy_ = false;
  reportWritten_ = static_cast<bool>(WriteResultReport(appFolder_, outcome_, address_));
  view_.Close();
  io_.stop();
}

bool RunSequence::OnCloseRequested() {
  if (finished_) return true;
  if (busy_) return false;
  // Not busy: the run ends here, and still reports how.
  Finish();
  return true;
}

}  // namespace varkelo::run
