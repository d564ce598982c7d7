#include "platform/failure.hpp"

namespace varkelo::platform {

std::string Failure::Describe() const {
  std::string line = what;
  if (!subject.empty()) line += " " + subject;
  if (error) line += ": " + error.message();
  return line;
}

}  // namespace varkelo::platform
