#include "platform/stop_signals.hpp"

#include <asio/post.hpp>
// After Asio, which brings winsock2.h first.
#include <windows.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/console_control.hpp"

namespace varkelo::platform {
namespace {

// Where a stop request finds the loop. The console's control handler runs on a
// thread of the system's and is handed no context, so this one process-wide
// slot is how it reaches the loop; it holds nothing else.
struct StopSlot {
  std::mutex mutex;
  asio::io_context* io = nullptr;
  std::weak_ptr<std::function<void(std::string_view)>> onStop;
  const char* pending = nullptr;  // a request that came before anyone listened
};

StopSlot& Slot() {
  static StopSlot slot;
  return slot;
}

// The system ends the process as soon as the handler returns from these; a
// little less than its 5 s of grace.
constexpr std::chrono::milliseconds ReportGrace{4500};

void PostStop(StopSlot& slot, const char* request) {
  asio::post(*slot.io, [onStop = slot.onStop, request] {
    if (const auto alive = onStop.lock()) (*alive)(request);
  });
}

BOOL WINAPI OnConsoleControl(DWORD event) {
  const ConsoleControlDecision decision = DecideConsoleControl(event);
  if (decision.answer == ConsoleControlAnswer::PassOn) return FALSE;
  // Handled, so that the system's own handler does not end the process.
  if (decision.answer == ConsoleControlAnswer::Ignore) return TRUE;
  {
    StopSlot& slot = Slot();
    const std::lock_guard lock(slot.mutex);
    if (slot.io != nullptr && !slot.onStop.expired()) {
      PostStop(slot, decision.request.data());
    } else {
      slot.pending = decision.request.data();
    }
  }
  // A closed console or a shutdown ends the process as soon as this returns:
  // the run reports meanwhile, and the program's own end ends this wait.
  if (decision.answer == ConsoleControlAnswer::StopAndWait) std::this_thread::sleep_for(ReportGrace);
  return TRUE;
}

}  // namespace

ConsoleControlDecision DecideConsoleControl(unsigned long event) {
  switch (event) {
    case CTRL_C_EVENT:
      return {ConsoleControlAnswer::Stop, "Ctrl+C"};
    case CTRL_BREAK_EVENT:
      return {ConsoleControlAnswer::Stop, "Ctrl+Break"};
    case CTRL_CLOSE_EVENT:
      return {ConsoleControlAnswer::StopAndWait, "the console's closing"};
    case CTRL_SHUTDOWN_EVENT:
      return {ConsoleControlAnswer::StopAndWait, "a shutdown"};
    case CTRL_LOGOFF_EVENT:
      return {ConsoleControlAnswer::Ignore, {}};
    default:
      return {ConsoleControlAnswer::PassOn, {}};
  }
}

struct StopSignals::Listener {
  std::shared_ptr<std::function<void(std::string_view)>> onStop;
};

void HoldStopSignals() {
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

StopSignals::StopSignals(asio::io_context& io, std::function<void(std::string_view)> onStop)
    : listener_(std::make_shared<Listener>(
          Listener{std::make_shared<std::function<void(std::string_view)>>(std::move(onStop))})) {
  StopSlot& slot = Slot();
  const std::lock_guard lock(slot.mutex);
  slot.io = &io;
  slot.onStop = listener_->onStop;
  if (slot.pending != nullptr) PostStop(slot, slot.pending);
  slot.pending = nullptr;
}

StopSignals::~StopSignals() {
  StopSlot& slot = Slot();
  const std::lock_guard lock(slot.mutex);
  // Requests from now on are taken and dropped: the run is over.
  slot.io = nullptr;
  slot.onStop.reset();
}

}  // namespace varkelo::platform
