// The system's error texts on POSIX systems: strerror's, which the C library
// gives in its own (ASCII) locale here, as are all its other texts.

#include "platform/failure.hpp"

namespace varkelo::platform {

std::string ErrorText(const std::error_code& error) {
  return error.message();
}

std::string Utf8FromSystemText(std::string_view text) {
  return std::string(text);
}

}  // namespace varkelo::platform
