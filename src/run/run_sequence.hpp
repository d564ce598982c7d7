#pragma once

// One unattended run: read the gateway's address, download its image, make
// the CSV files, report the outcome in "error.txt", tell its owner it has
// ended. Each stage starts the next as a handler posted to the one event
// loop; the run refuses to be closed while the gateway is connected or the
// export is pending or busy, but a stop from the system ends it at once,
// wherever it is. It shows its stages as values; run_words.hpp says them.

#include <asio/io_context.hpp>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "export/export_driver.hpp"
#include "gateway/gateway_link.hpp"
#include "run/export_turns.hpp"
#include "run/result_report.hpp"
#include "run/run_result.hpp"
#include "run/view.hpp"

namespace varkelo::run {

class RunSequence : public CloseRequests, public gateway::LinkObserver, private exporting::ExportProgress {
 public:
  // `ended` hears once that the run has ended, its report written or not
  // (after a stop during the export, once the export has returned); it must
  // not destroy the run. `exportTurns` lets one export run at a time
  // among many runs on the loop; none: this run's export starts at once.
  RunSequence(asio::io_context& io, View& view, std::filesystem::path appFolder,
              gateway::LinkOptions linkOptions = {}, std::function<void()> ended = {},
              ExportTurns* exportTurns = nullptr);

  // A whole run: address, download, CSV files, report.
  void Start();
  // Makes the CSV files again from the stored "read.nmd", then reports.
  void StartExportOnly();

  // Writes the report unless it is written already and tells the owner. The
  // last step of every run; also the program's safety net when the loop ends
  // some other way.
  void Finish();

  bool OnCloseRequested() override;
  // Closes the link, ends an export between two files, and writes the report:
  // 異常 for a run still under way, its outcome for one that has one.
  void OnStopRequested(std::string_view request) override;

  RunOutcome Outcome() const { return result_.outcome; }
  bool Finished() const { return finished_; }
  // False when "error.txt" could not be written.
  bool ReportWritten() const { return !result_.reportFailure; }
  // All the view hears at the end.
  const RunResult& Result() const { return result_; }

  // What the run's own link reports; public so a test can play the link.
  void OnRequestSent() override;
  void OnDataFrameAcknowledged() override;
  void OnDownloadProgress(int percent) override;
  void OnSilence(std::chrono::milliseconds silentFor) override;
  void OnDownloadFinished(const gateway::LinkResult& result) override;

 private:
  // exporting::ExportProgress
  void OnProgress(int percent) override;
  void LetEventsRun() override;
  bool StopRequested() override { return stopped_; }

  // Waits for this run's turn to export, then exports.
  void QueueExport();
  void LeaveExportTurn();
  void Export();
  void PostFinish();
  void ShowStage(RunStage stage, std::chrono::seconds silentFor = {});
  // Settles the outcome and why.
  void Settle(RunOutcome outcome, std::optional<platform::Failure> reason);

  asio::io_context& io_;
  View& view_;
  std::filesystem::path appFolder_;
  std::filesystem::path imagePath_;
  std::string address_;
  gateway::LinkOptions linkOptions_;
  gateway::GatewayLink link_;
  std::function<void()> ended_;
  ExportTurns* exportTurns_;
  RunResult result_;
  // True while the link runs and from a finished download until the export ends.
  bool busy_ = false;
  bool stopped_ = false;
  bool finished_ = false;
  // The run's place among the exports, from its finished download on.
  std::optional<ExportTurns::Ticket> exportTicket_;
  bool exporting_ = false;
  // The run finished during its export: the owner hears of it when the export returns.
  bool endDeferred_ = false;
};

}  // namespace varkelo::run
