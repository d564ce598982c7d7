#include "platform/stop_signals.hpp"

#include <asio/post.hpp>
// After Asio, which brings winsock2.h first.
#include <windows.h>

#include <chrono>
#include <mutex>
#include <thread>

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

const char* RequestName(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
      return "Ctrl+C";
    case CTRL_BREAK_EVENT:
      return "Ctrl+Break";
    case CTRL_CLOSE_EVENT:
      return "the console's closing";
    case CTRL_LOGOFF_EVENT:
      return "a log-off";
    default:
      return "a shutdown";
  }
}

BOOL WINAPI OnConsoleControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      break;
    default:
      return FALSE;
  }
  {
    StopSlot& slot = Slot();
    const std::lock_guard lock(slot.mutex);
    if (slot.io != nullptr && !slot.onStop.expired()) {
      PostStop(slot, RequestName(event));
    } else {
      slot.pending = RequestName(event);
    }
  }
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  // A closed console, a log-off or a shutdown: the run reports meanwhile, and
  // the program's own end ends this wait.
  std::this_thread::sleep_for(ReportGrace);
  return TRUE;
}

}  // namespace

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
