#include "run/run_sequence.hpp"

#include <algorithm>
#include <array>
#include <asio/post.hpp>
#include <cstdint>
#include <exception>
#include <utility>

#include "platform/files.hpp"
#include "platform/utf8_path.hpp"
#include "run/gateway_address.hpp"
#include "run/profile_reader.hpp"
#include "run/run_words.hpp"

namespace varkelo::run {
namespace {

// A name where the address should be: a letter that no number form holds.
bool LooksLikeHostName(std::string_view address) {
  return std::any_of(address.begin(), address.end(), [](char c) {
    return (c >= 'a' && c <= 'z' && c != 'e') || (c >= 'A' && c <= 'Z' && c != 'E');
  });
}

}  // namespace

RunSequence::RunSequence(asio::io_context& io, View& view, std::filesystem::path appFolder,
                         gateway::LinkOptions linkOptions, std::function<void()> ended,
                         ExportTurns* exportTurns)
    : io_(io),
      view_(view),
      appFolder_(std::move(appFolder)),
      imagePath_(appFolder_.empty() ? std::filesystem::path() : appFolder_ / "read.nmd"),
      linkOptions_(linkOptions),
      link_(io, *this, linkOptions),
      ended_(std::move(ended)),
      exportTurns_(exportTurns) {}

void RunSequence::ShowStage(RunStage stage, std::chrono::seconds silentFor) {
  view_.ShowStatus({.stage = stage, .address = address_, .silentFor = silentFor});
}

void RunSequence::Start() {
  view_.ShowProgress(Progress::Download, 0);
  view_.ShowProgress(Progress::Export, 0);
  const std::filesystem::path ini = appFolder_ / "System.ini";
  // Whatever stops the start-up counts as a start-up failure.
  platform::Failure failure{
      .what = "cannot start the run", .subject = platform::Utf8FromPath(ini), .error = {}};
  try {
    const platform::Result<std::string> read = ReadGatewayAddress(appFolder_);
    address_ = read ? *read : std::string();
    const auto address = ParseGatewayAddress(address_);
    if (!read) {
      failure = read.Reason();
    } else if (address_.empty()) {
      failure = AddressFailure(AddressProblem::Missing, address_, ini);
    } else if (!address) {
      failure = AddressFailure(
          LooksLikeHostName(address_) ? AddressProblem::HostName : AddressProblem::NotFourNumbers, address_,
          ini);
    } else if (*address == std::array<std::uint8_t, 4>{}) {
      // It passes the check, but names no gateway: a connection to it would
      // reach this very computer on some systems and fail on others.
      ShowStage(RunStage::ConnectFailed);
      Settle(RunOutcome::NoConnection, AddressFailure(AddressProblem::NamesNoGateway, address_, ini));
      PostFinish();
      return;
    } else {
      ShowStage(RunStage::Connecting);
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
  QueueExport();
}

void RunSequence::OnRequestSent() {
  ShowStage(RunStage::AwaitingResponse);
}

void RunSequence::OnDataFrameAcknowledged() {
  ShowStage(RunStage::Transferring);
}

void RunSequence::OnDownloadProgress(int percent) {
  view_.ShowProgress(Progress::Download, percent);
}

void RunSequence::OnSilence(std::chrono::milliseconds silentFor) {
  // A pause of a few seconds is a slow gateway, not yet worth a word.
  constexpr std::chrono::seconds Unremarkable{5};
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(silentFor);
  if (seconds >= Unremarkable) ShowStage(RunStage::Silent, seconds);
}

void RunSequence::OnDownloadFinished(const gateway::LinkResult& result) {
  using gateway::LinkOutcome;
  result_.recordsDownloaded = result.recordsStored;
  if (result.outcome == LinkOutcome::Downloaded) {
    // Still busy: nothing may close the run between the download and the export.
    busy_ = true;
    QueueExport();
    return;
  }
  // The outcome is settled before the view hears of it: the run may be closed from now on.
  busy_ = false;
  const platform::Failure reason =
      DownloadFailure(result, {.address = address_, .options = linkOptions_, .imagePath = imagePath_});
  switch (result.outcome) {
    case LinkOutcome::NotConnected:
    case LinkOutcome::ConnectionRefused:
      Settle(RunOutcome::NoConnection, reason);
      break;
    case LinkOutcome::RequestNotSent:
    case LinkOutcome::Stopped:
    case LinkOutcome::Downloaded:
      // The outcome stays open: the report says the run ended without one.
      Settle(RunOutcome::None, reason);
      break;
    default:
      Settle(RunOutcome::NoResponse, reason);
      break;
  }
  switch (result.outcome) {
    case LinkOutcome::NotConnected:
    case LinkOutcome::NoResponse:
      ShowStage(RunStage::TimedOut);
      break;
    case LinkOutcome::ConnectionRefused:
      ShowStage(RunStage::ConnectFailed);
      break;
    case LinkOutcome::ClosedEarly:
      ShowStage(RunStage::ConnectionClosed);
      break;
    case LinkOutcome::RequestNotSent:
      ShowStage(RunStage::RequestNotSent);
      break;
    default:
      break;
  }
  if (result.outcome == LinkOutcome::NoResponse || result.outcome == LinkOutcome::ClosedEarly) {
    view_.ShowProgress(Progress::Download, 0);
  }
  PostFinish();
}

void RunSequence::QueueExport() {
  if (exportTurns_ == nullptr) {
    asio::post(io_, [this] { Export(); });
    return;
  }
  exportTicket_ = exportTurns_->Take([this] { Export(); });
}

void RunSequence::LeaveExportTurn() {
  // The next export may start: this one has ended, or never will start.
  if (exportTicket_) exportTurns_->Leave(*exportTicket_);
  exportTicket_.reset();
}

void RunSequence::Export() {
  if (finished_) return;
  // Before the view hears of it: a stop it passes on is one during the export.
  exporting_ = true;
  ShowStage(RunStage::Exporting);
  exporting::Exporter exporter(appFolder_);
  const exporting::ExportResult exported = exporter.RunExport(imagePath_, *this);
  exporting_ = false;
  LeaveExportTurn();
  // A stop reported the run already, at the moment it came; its owner hears
  // of the end only now, when nothing of the run is left on the stack.
  if (finished_) {
    if (ended_ && endDeferred_) ended_();
    return;
  }
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
  // ends the export right after this, between two files. Other runs on the
  // loop go on downloading meanwhile.
  io_.poll();
}

void RunSequence::PostFinish() {
  asio::post(io_, [this] { Finish(); });
}

void RunSequence::Finish() {
  if (finished_) return;
  finished_ = true;
  busy_ = false;
  // An export still under way (a stop came during it) leaves its turn, and
  // tells the owner, when it returns: the owner may drop the run at once,
  // even from a handler that runs inside the export's poll.
  if (!exporting_) LeaveExportTurn();
  result_.gatewayAddress = address_;
  const platform::Status written = WriteResultReport(appFolder_, result_.outcome, address_);
  if (!written) {
    result_.reportFailure = written.Reason();
    result_.earlierReportLeft =
        platform::KindOfEntry(appFolder_ / "error.txt") == platform::EntryKind::RegularFile;
  }
  endDeferred_ = exporting_;
  if (ended_ && !exporting_) ended_();
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
