#pragma once

// What a person sees of a fleet: a line for each gateway that ended (and its
// reasons on the error stream), the whole in the view's status and bars, and
// the summary as the last line.

#include <asio/io_context.hpp>
#include <cstddef>
#include <functional>

#include "app/program_view.hpp"
#include "run/fleet.hpp"

namespace varkelo::app {

class FleetProgress : public run::FleetObserver {
 public:
  // `ended` hears once that the fleet has ended, after the summary.
  FleetProgress(ProgramView& view, std::function<void()> ended);

  // The fleet whose runs the summary lists; set before it starts.
  void Watch(const run::Fleet& fleet) { fleet_ = &fleet; }
  // The whole before the first gateway ends.
  void ShowStart(const run::FleetCounts& counts);

  void OnGatewayEnded(const run::GatewayRun& run, const run::FleetCounts& counts) override;
  void OnExportProgress(int percent) override;
  void OnFleetEnded(const run::FleetCounts& counts) override;

 private:
  void ShowWhole(const run::FleetCounts& counts);

  ProgramView& view_;
  std::function<void()> ended_;
  const run::Fleet* fleet_ = nullptr;
  std::size_t shownDone_ = 0;
};

}  // namespace varkelo::app
