#include "text/line_writer.hpp"

#include "platform/utf8_path.hpp"
#include "text/cp932.hpp"

namespace varkelo::text {
namespace {

// Buffered text goes to the file once it reaches this size.
constexpr std::size_t FlushSize = 64 * 1024;

}  // namespace

platform::Status LineWriter::Open(const std::filesystem::path& path,
                                  platform::WholeFileWriter::Identical identical) {
  buffer_.clear();
  buffer_.reserve(FlushSize + 1024);
  path_ = path;
  failure_.reset();
  platform::Status opened = file_.Open(path, identical);
  if (!opened) failure_ = opened.Reason();
  return opened;
}

platform::Status LineWriter::WriteLine(std::string_view utf8) {
  if (failure_) return *failure_;
  if (!file_.IsOpen()) return NotOpen();
  // Written before the line is added, so a failing file takes nothing of this line.
  if (buffer_.size() >= FlushSize) {
    if (platform::Status flushed = Flush(); !flushed) return flushed;
  }
  const std::size_t lineStart = buffer_.size();
  if (!EncodeCp932(utf8, buffer_)) {
    buffer_.resize(lineStart);
    failure_ = platform::Failure{.what = "cannot write",
                                 .subject = platform::Utf8FromPath(path_),
                                 .error = std::make_error_code(std::errc::illegal_byte_sequence)};
    return *failure_;
  }
  buffer_.append("\r\n");
  return {};
}

platform::Status LineWriter::WriteEncodedLine(std::string_view cp932) {
  if (failure_) return *failure_;
  if (!file_.IsOpen()) return NotOpen();
  if (buffer_.size() >= FlushSize) {
    if (platform::Status flushed = Flush(); !flushed) return flushed;
  }
  buffer_.append(cp932);
  buffer_.append("\r\n");
  return {};
}

platform::Status LineWriter::Close() {
  if (!file_.IsOpen()) return failure_ ? platform::Status(*failure_) : NotOpen();
  if (failure_) {
    file_.Discard();
    buffer_.clear();
    return *failure_;
  }
  if (platform::Status flushed = Flush(); !flushed) {
    file_.Discard();
    return flushed;
  }
  platform::Status committed = file_.Commit();
  if (!committed) failure_ = committed.Reason();
  return committed;
}

platform::Status LineWriter::Flush() {
  if (buffer_.empty()) return {};
  platform::Status written = file_.Write(buffer_);
  buffer_.clear();
  if (!written) failure_ = written.Reason();
  return written;
}

platform::Failure LineWriter::NotOpen() const {
  return {.what = "cannot write",
          .subject = platform::Utf8FromPath(path_),
          .error = std::make_error_code(std::errc::bad_file_descriptor)};
}

}  // namespace varkelo::text
