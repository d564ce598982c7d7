#pragma once

// Why an operation failed, as a person reads it: what the program was doing,
// the path or address concerned, and the system's own reason where there is
// one. Operations that can fail return it at their boundary (in a Status or a
// Result), so the reason known where the failure happened reaches the message
// a person reads.

#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace varkelo::platform {

struct Failure {
  // What could not be done, e.g. "cannot write".
  std::string what;
  // The path (as UTF-8) or address concerned; may be empty.
  std::string subject;
  // The system's reason; empty when the program itself decided.
  std::error_code error;

  // One line: what, subject and the system's text of the reason (UTF-8 on
  // every platform).
  std::string Describe() const;
};

// The system's text for an error, as UTF-8, without a line end, whatever the
// error's category.
std::string ErrorText(const std::error_code& error);

// A text from the system or its C++ library (an exception's what(), say) as
// UTF-8: on Windows such texts may come in the ANSI code page.
std::string Utf8FromSystemText(std::string_view text);

// A reason the program gives where the system has no code for it, as an error
// code of a category of its own: `ReasonText(reason)`, declared beside the
// enum, gives its text.
template <typename Reason>
std::error_code OwnErrorCode(Reason reason) {
  class Category : public std::error_category {
   public:
    const char* name() const noexcept override { return "varkelo"; }
    std::string message(int value) const override {
      return std::string(ReasonText(static_cast<Reason>(value)));
    }
  };
  static const Category category;
  return {static_cast<int>(reason), category};
}

// Reasons the file primitives give that the system has no code for.
enum class FileError {
  NotRegularFile = 1,  // a folder, FIFO, device or anything else that is not a plain file
  SymbolicLink,        // a link, which is never followed
};
std::string_view ReasonText(FileError error);
inline std::error_code make_error_code(FileError error) {
  return OwnErrorCode(error);
}

// Success, or the Failure that stopped an operation without a value. Tests
// true on success: `if (!status) return status;`.
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Failure failure) : failure_(std::move(failure)) {}

  explicit operator bool() const { return !failure_; }
  // Why it failed; an empty Failure on success.
  const Failure& Reason() const;

 private:
  std::optional<Failure> failure_;
};

// A value, or the Failure that kept it from being made. Tests true when it
// holds the value.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}
  Result(Failure failure) : status_(std::move(failure)) {}

  explicit operator bool() const { return value_.has_value(); }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  // Why it failed; an empty Failure when the value is there.
  const Failure& Reason() const { return status_.Reason(); }
  // The failure without the value.
  const Status& AsStatus() const { return status_; }

 private:
  std::optional<T> value_;
  Status status_;
};

}  // namespace varkelo::platform

template <>
struct std::is_error_code_enum<varkelo::platform::FileError> : std::true_type {};
