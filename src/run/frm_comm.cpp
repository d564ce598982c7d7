#include "run/frm_comm.hpp"

#include <utility>

#include "run/gateway_address.hpp"
#include "run/profile_reader.hpp"
#include "run/result_report.hpp"

namespace varkelo::run {

frmComm::frmComm(asio::io_context& io, Window& window, std::filesystem::path appFolder,
                 gateway::LinkOptions linkOptions)
    : AppFolder(std::move(appFolder)), window_(window), link_(io, *this, linkOptions) {}

std::string frmComm::StatusText(std::string_view tail) const {
  return "「" + GatewayAddress + "」" + std::string(tail);
}

void frmComm::ResetWindow() {
  UnloadAllowed = true;
  ResultCode = 0;
  window_.StopTimer1();
  window_.SetProgress(ProgressBar::prgComm, 0);
  window_.SetProgress(ProgressBar::prgCSV, 0);
}

void frmComm::Form_Load() {
  try {
    ResetWindow();
    GatewayAddress = ReadGatewayAddress(AppFolder);
    const auto address = ParseGatewayAddress(GatewayAddress);
    ImagePath = AppFolder.empty() ? std::filesystem::path() : AppFolder / "read.nmd";
    SetStatusText(StatusText("のスマートゲートウェイに接続中"));
    if (!address) {
      ResultCode = ResultInvalidAddress;
      window_.StartDeferredStep(DeferredStep::timEnd);
      return;
    }
    if (!link_.StartReading(AppFolder, *address, GatewayAddress)) {
      ResultCode = ResultInvalidAddress;
      window_.StartDeferredStep(DeferredStep::timEnd);
    }
  } catch (...) {
    ResultCode = ResultInvalidAddress;
    window_.StartDeferredStep(DeferredStep::timEnd);
  }
}

void frmComm::StartExportOnly() {
  try {
    ResetWindow();
    GatewayAddress = ReadGatewayAddress(AppFolder);
  } catch (...) {
    GatewayAddress.clear();
  }
  ImagePath = AppFolder / "read.nmd";
  window_.StartDeferredStep(DeferredStep::timCSV);
}

void frmComm::timCSV_Timer() {
  window_.StopDeferredStep(DeferredStep::timCSV);
  SetUnloadAllowed(false);
  SetStatusText(StatusText("のスマートゲートウェイのCSV作成中"));
  exporting::Exporter exporter(AppFolder);
  ResultCode = exporter.RunExport(ImagePath, *this) == exporting::ExportOutcome::Success ? ResultSuccess
                                                                                         : ResultCsvError;
  SetUnloadAllowed(true);
  window_.StartDeferredStep(DeferredStep::timEnd);
}

void frmComm::timEnd_Timer() {
  window_.StopDeferredStep(DeferredStep::timEnd);
  WriteResultReport(AppFolder, ResultCode, GatewayAddress);
  window_.Unload();
}

void frmComm::OnDeferredStep(DeferredStep step) {
  switch (step) {
    case DeferredStep::timSend:
      window_.StopDeferredStep(step);
      link_.timSend_Timer();
      break;
    case DeferredStep::timClose:
      window_.StopDeferredStep(step);
      link_.timClose_Timer();
      break;
    case DeferredStep::timCSV:
      timCSV_Timer();
      break;
    case DeferredStep::timEnd:
      timEnd_Timer();
      break;
  }
}

void frmComm::OnTimer1() {
  link_.Timer1_Timer();
}

}  // namespace varkelo::run
