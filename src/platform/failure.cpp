#include "platform/failure.hpp"

namespace varkelo::platform {
std::string_view ReasonText(FileError error) {
  switch (error) {
    case FileError::NotRegularFile:
      return "not a regular file";
    case FileError::SymbolicLink:
      return "a symbolic link, which is never followed";
  }
  return "unknown file error";
}

std::string Failure::Describe() const {
  std::string line = Utf8FromSystemText(what);
  if (!subject.empty()) line += (line.empty() ? "" : " ") + subject;
  if (error) line += ": " + ErrorText(error);
  return line;
}

const Failure& Status::Reason() const {
  static const Failure None;
  return failure_ ? *failure_ : None;
}

}  // namespace varkelo::platform
