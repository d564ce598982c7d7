#include "app/fleet_progress.hpp"

#include <algorithm>
#include <utility>

#include "platform/utf8_path.hpp"
#include "run/run_words.hpp"

namespace varkelo::app {

FleetProgress::FleetProgress(ProgramView& view, std::function<void()> ended)
    : view_(view), ended_(std::move(ended)) {}

void FleetProgress::ShowStart(const run::FleetCounts& counts) {
  view_.ShowProgress(run::Progress::Download, 0);
  view_.ShowProgress(run::Progress::Export, 0);
  view_.ShowText(run::FleetLine(counts));
}

void FleetProgress::ShowWhole(const run::FleetCounts& counts) {
  const std::size_t done = counts.succeeded + counts.failed + counts.skipped;
  view_.ShowProgress(run::Progress::Download,
                     counts.total == 0 ? 100 : static_cast<int>(done * 100 / counts.total));
  // The line of the whole at every tenth of the fleet, so that a log of a
  // thousand gateways gets ten of them.
  const std::size_t step = std::max<std::size_t>(counts.total / 10, 1);
  if (done / step == shownDone_ / step && done != counts.total) return;
  shownDone_ = done;
  view_.ShowText(run::FleetLine(counts));
}

void FleetProgress::OnGatewayEnded(const run::GatewayRun& run, const run::FleetCounts& counts) {
  const std::string name = platform::Utf8FromPath(run.folder.filename());
  for (const auto* failure : {&run.result.reason, &run.result.reportFailure}) {
    if (*failure) view_.ShowLine("varkelo: " + name + ": " + (*failure)->Describe(), true);
  }
  for (const platform::Failure& failure : run.pageFailures) {
    view_.ShowLine("varkelo: " + name + ": page: " + failure.Describe(), true);
  }
  view_.ShowLine(run::GatewayLine(run), false);
  ShowWhole(counts);
}

void FleetProgress::OnExportProgress(int percent) {
  view_.ShowProgress(run::Progress::Export, percent);
}

void FleetProgress::OnFleetEnded(const run::FleetCounts& counts) {
  view_.End(run::FleetSummary(fleet_ != nullptr ? fleet_->Runs() : std::vector<run::GatewayRun>{}, counts));
  if (ended_) ended_();
}

}  // namespace varkelo::app
