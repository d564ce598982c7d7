#pragma once

// The system's requests to stop the program: SIGINT, SIGTERM and SIGHUP on
// Linux; Ctrl+C, Ctrl+Break, a closed console and a shutdown on Windows (a
// log-off stops only the status window's run, whose session it ends: see
// console_control.hpp). Each becomes a handler on the program's one event
// loop, so the run stops at a point where all it has written is whole, and
// still reports.

#include <asio/io_context.hpp>
#include <functional>
#include <memory>
#include <string_view>

namespace varkelo::platform {

// Takes the stop requests over from the system's default, which ends the
// process at once, without a report. The first thing main does: a request
// that comes before the loop listens waits for it.
void HoldStopSignals();

// While it lives, every stop request calls onStop on io's loop, with the
// request's name ("SIGTERM", "Ctrl+C", "a shutdown", ...). Afterwards
// (the run is over and reported) a stop request is held until the process
// ends, so it cannot kill the program and turn its exit status into a failure.
class StopSignals {
 public:
  StopSignals(asio::io_context& io, std::function<void(std::string_view request)> onStop);
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  struct Listener;
  std::shared_ptr<Listener> listener_;
};

}  // namespace varkelo::platform
