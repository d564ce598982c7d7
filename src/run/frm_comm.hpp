#pragma once

// The run sequence: start-up, the chain of deferred steps from the download
// through the CSV step to the final step, and the guard against closing the
// window while the link or the export is busy.

#include <asio/io_context.hpp>
#include <cstdint>
#include <filesystem>
#include <string>

#include "export/export_driver.hpp"
#include "gateway/gateway_link.hpp"
#include "run/window.hpp"

namespace varkelo::run {

class frmComm : public gateway::LinkHost, public WindowEvents, public exporting::ExportProgress {
 public:
  frmComm(asio::io_context& io, Window& window, std::filesystem::path appFolder,
          gateway::LinkOptions linkOptions = {});

  // Start-up of a whole run: address, download, CSV files, report.
  void Form_Load();
  // Start-up of a run that only makes the CSV files again from the stored
  // "read.nmd": the CSV step and the final step.
  void StartExportOnly();

  void timCSV_Timer();
  void timEnd_Timer();
  void SetUnloadAllowed(bool allowed) override { UnloadAllowed = allowed; }

  // WindowEvents
  void OnDeferredStep(DeferredStep step) override;
  void OnTimer1() override;
  bool Form_QueryUnload() override { return UnloadAllowed; }

  // LinkHost
  void SetStatusText(std::string_view text) override { window_.SetStatusText(text); }
  void SetCommProgress(int value) override { window_.SetProgress(ProgressBar::prgComm, value); }
  void StartDeferredStep(DeferredStep step) override { window_.StartDeferredStep(step); }
  void StartTimer1() override { window_.StartTimer1(); }
  void StopTimer1() override { window_.StopTimer1(); }
  void SetResultCode(std::int32_t code) override { ResultCode = code; }

  // ExportProgress
  void OnProgress(int value) override { window_.SetProgress(ProgressBar::prgCSV, value); }
  void LetEventsRun() override { window_.LetEventsRun(); }

  std::int32_t ResultCode = 0;
  std::string GatewayAddress;
  bool UnloadAllowed = true;
  std::filesystem::path AppFolder;
  std::filesystem::path ImagePath;

 private:
  void ResetWindow();
  std::string StatusText(std::string_view tail) const;

  Window& window_;
  gateway::GatewayLink link_;
};

}  // namespace varkelo::run
