#pragma once

// How the console program answers each of Windows' console control events. A
// log-off event reaches every console process, also those of a task that runs
// as another user or as SYSTEM, and does not say whose session ends; a console
// process that receives it is not in that session (the system does not send it
// to the processes of the session that ends), so it is no request to stop.

#include <string_view>

namespace varkelo::platform {

enum class ConsoleControlAnswer {
  PassOn,       // not a stop request: the next handler (the system's) decides
  Ignore,       // taken and dropped; the run goes on
  Stop,         // the run stops and reports; the process goes on meanwhile
  StopAndWait,  // the run stops and reports while the handler holds the system's end of the process
};

struct ConsoleControlDecision {
  ConsoleControlAnswer answer;
  // The request's name for the run's report; empty unless it stops the run.
  std::string_view request;
};

// The answer to a console control event (CTRL_C_EVENT, CTRL_LOGOFF_EVENT, ...).
ConsoleControlDecision DecideConsoleControl(unsigned long event);

}  // namespace varkelo::platform
