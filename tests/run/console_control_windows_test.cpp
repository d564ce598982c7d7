#include <windows.h>

#include <gtest/gtest.h>

#include <utility>

#include "platform/console_control.hpp"

namespace varkelo::platform {
namespace {

// A closed console and a shutdown end the process when the handler returns: it holds them until the
// run has reported. Another session's log-off is taken, so the system's handler does not end the run.
TEST(ConsoleControl, StopsOnItsOwnRequestsAndIgnoresOthersLogOff) {
  using enum ConsoleControlAnswer;
  const std::pair<DWORD, ConsoleControlDecision> cases[] = {
      {CTRL_C_EVENT, {Stop, "Ctrl+C"}},
      {CTRL_BREAK_EVENT, {Stop, "Ctrl+Break"}},
      {CTRL_CLOSE_EVENT, {StopAndWait, "the console's closing"}},
      {CTRL_SHUTDOWN_EVENT, {StopAndWait, "a shutdown"}},
      {CTRL_LOGOFF_EVENT, {Ignore, ""}},
      {7, {PassOn, ""}}};
  for (const auto& [event, expected] : cases) {
    const ConsoleControlDecision decision = DecideConsoleControl(event);
    EXPECT_EQ(decision.answer, expected.answer) << event;
    EXPECT_EQ(decision.request, expected.request) << event;
  }
}

}  // namespace
}  // namespace varkelo::platform
