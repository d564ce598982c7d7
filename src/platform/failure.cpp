#include "platform/failure.hpp"

namespace varkelo::platform {
namespace {

class FileErrorCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "varkelo.file"; }
  std::string message(int value) const override {
    switch (static_cast<FileError>(value)) {
      case FileError::NotRegularFile:
        return "not a regular file";
      case FileError::SymbolicLink:
        return "a symbolic link, which is never followed";
    }
    return "unknown file error";
  }
};

}  // namespace

std::error_code make_error_code(FileError error) {
  static const FileErrorCategory category;
  return {static_cast<int>(error), category};
}

std::string Failure::Describe() const {
  std::string line = what;
  if (!subject.empty()) line += (line.empty() ? "" : " ") + subject;
  if (error) line += ": " + ErrorText(error);
  return line;
}

const Failure& Status::Reason() const {
  static const Failure None;
  return failure_ ? *failure_ : None;
}

}  // namespace varkelo::platform
