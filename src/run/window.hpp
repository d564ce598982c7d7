#pragma once

// The status window as the run sequence sees it: a handful of operations, so
// the run can be driven by a console, a test, or a real window alike.

#include <string_view>

#include "gateway/link_host.hpp"

namespace varkelo::run {

using gateway::DeferredStep;

enum class ProgressBar { prgComm, prgCSV };

// What the window reports back to its owner, the run sequence.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  virtual void OnDeferredStep(DeferredStep step) = 0;  // a started step fired
  virtual void OnTimer1() = 0;                         // a tick of the response timer
  virtual bool Form_QueryUnload() = 0;                 // false refuses the unload
};

class Window {
 public:
  virtual ~Window() = default;
  virtual void SetStatusText(std::string_view text) = 0;
  virtual void SetProgress(ProgressBar bar, int value) = 0;
  virtual void StartDeferredStep(DeferredStep step) = 0;
  virtual void StopDeferredStep(DeferredStep step) = 0;
  virtual void StartTimer1() = 0;
  virtual void StopTimer1() = 0;
  // Asks the owner first; an unload it refuses does nothing.
  virtual void Unload() = 0;
  // Lets pending window events run; the export calls it once per block.
  virtual void LetEventsRun() = 0;
};

}  // namespace varkelo::run
