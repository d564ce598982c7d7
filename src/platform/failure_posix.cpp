// The system's error texts on POSIX systems: strerror's, which the C library
// gives in its own (ASCII) locale here.

#include "platform/failure.hpp"

namespace varkelo::platform {

std::string ErrorText(const std::error_code& error) {
  return error.message();
}

}  // namespace varkelo::platform
