#include "run/run_outcome.hpp"

namespace varkelo::run {

std::int32_t ResultCodeOf(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Success:
      return 1;
    case RunOutcome::InvalidAddress:
      return 2;
    case RunOutcome::NoConnection:
      return 3;
    case RunOutcome::NoResponse:
      return 4;
    case RunOutcome::CsvError:
      return 5;
    case RunOutcome::None:
      break;
  }
  return 0;
}

int ExitStatusOf(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Success:
      return 0;
    case RunOutcome::None:
      return 6;
    default:
      return ResultCodeOf(outcome);
  }
}

}  // namespace varkelo::run
