#pragma once

// What the gateway link needs from the window that owns it: the window's
// operations (status text, progress, deferred steps, the response timer) and
// the run's shared values (unload guard, ResultCode).

#include <cstdint>
#include <string_view>

namespace varkelo::gateway {

// The one-shot steps of a run; each handler stops its own step first.
enum class DeferredStep { timSend, timClose, timCSV, timEnd };

class LinkHost {
 public:
  virtual ~LinkHost() = default;
  virtual void SetStatusText(std::string_view text) = 0;
  virtual void SetCommProgress(int value) = 0;  // prgComm
  virtual void StartDeferredStep(DeferredStep step) = 0;
  virtual void StartTimer1() = 0;  // the periodic response timer; ticks reach GatewayLink::Timer1_Timer
  virtual void StopTimer1() = 0;
  virtual void SetUnloadAllowed(bool allowed) = 0;
  virtual void SetResultCode(std::int32_t code) = 0;
};

}  // namespace varkelo::gateway
