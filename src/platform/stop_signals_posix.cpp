#include "platform/stop_signals.hpp"

#include <signal.h>

#include <array>
#include <asio/signal_set.hpp>

namespace varkelo::platform {
namespace {

// A closed terminal (SIGHUP) is a stop too, not a reason to die without a report.
constexpr std::array StopSignalNumbers{SIGINT, SIGTERM, SIGHUP};

void MaskStopSignals(int how) {
  sigset_t signals;
  sigemptyset(&signals);
  for (const int signal : StopSignalNumbers) sigaddset(&signals, signal);
  pthread_sigmask(how, &signals, nullptr);
}

std::string_view SignalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    default:
      return "SIGHUP";
  }
}

bool StartedIgnored(int signal) {
  struct sigaction current {};
  return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

struct StopSignals::Listener {
  Listener(asio::io_context& io, std::function<void(std::string_view)> stop)
      : signals(io), onStop(std::move(stop)) {}

  void Wait() {
    signals.async_wait([this](const std::error_code& error, int signal) {
      if (error) return;
      onStop(SignalName(signal));
      Wait();
    });
  }

  asio::signal_set signals;
  std::function<void(std::string_view)> onStop;
};

void HoldStopSignals() {
  // Blocked, a signal stays pending until the loop's handler takes it.
  MaskStopSignals(SIG_BLOCK);
}

StopSignals::StopSignals(asio::io_context& io, std::function<void(std::string_view)> onStop)
    : listener_(std::make_shared<Listener>(io, std::move(onStop))) {
  for (const int signal : StopSignalNumbers) {
    // A signal the program was started with ignored (nohup's SIGHUP, SIGINT
    // for a script's background job) stays ignored, as whoever started it asked.
    if (StartedIgnored(signal)) continue;
    std::error_code ignored;
    listener_->signals.add(signal, ignored);
  }
  listener_->Wait();
  MaskStopSignals(SIG_UNBLOCK);
}

StopSignals::~StopSignals() {
  MaskStopSignals(SIG_BLOCK);
}

}  // namespace varkelo::platform
