#pragma once

#include <cstdint>

#include "run/result_report.hpp"

namespace varkelo::run {

// Exit status for schedulers that act on it: 0 for success, the result code
// for the failures 2 to 5, and 6 for a run that ended without an outcome
// ("異常"), which must never read as success.
constexpr int ExitStatusOf(std::int32_t resultCode) {
  if (resultCode == ResultSuccess) return 0;
  if (resultCode >= ResultInvalidAddress && resultCode <= ResultCsvError) return resultCode;
  return 6;
}

}  // namespace varkelo::run
