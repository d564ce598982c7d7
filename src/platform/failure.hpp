#pragma once

// Why an operation failed, as a person reads it: what the program was doing,
// the path or address concerned, and the system's own reason where there is
// one. Operations that can fail return it at their boundary, so the reason
// known where the failure happened reaches the message a person reads.

#include <string>
#include <system_error>

namespace varkelo::platform {

struct Failure {
  // What could not be done, e.g. "cannot write".
  std::string what;
  // The path (as UTF-8) or address concerned; may be empty.
  std::string subject;
  // The system's reason; empty when the program itself decided.
  std::error_code error;

  // One line: what, subject and the system's text of the reason.
  std::string Describe() const;
};

}  // namespace varkelo::platform
