#include "text/line_writer.hpp"

#include "text/cp932.hpp"

namespace varkelo::text {
namespace {

// Buffered text goes to the file once it reaches this size.
constexpr std::size_t kFlushSize = 64 * 1024;

}  // namespace

bool LineWriter::Open(const std::filesystem::path& path) {
  buffer_.clear();
  buffer_.reserve(kFlushSize + 1024);
  failed_ = !file_.Open(path);
  return !failed_;
}

bool LineWriter::WriteLine(std::string_view utf8) {
  if (!file_.IsOpen() || failed_) return false;
  // Written before the line is added, so a failing file takes nothing of this line.
  if (buffer_.size() >= kFlushSize && !Flush()) return false;
  const std::size_t line_start = buffer_.size();
  if (!EncodeCp932(utf8, buffer_)) {
    buffer_.resize(line_start);
    failed_ = true;
    return false;
  }
  buffer_.append("\r\n");
  return true;
}

bool LineWriter::Close() {
  if (!file_.IsOpen()) return false;
  if (failed_ || !Flush()) {
    file_.Discard();
    buffer_.clear();
    return false;
  }
  return file_.Commit();
}

bool LineWriter::Flush() {
  if (buffer_.empty()) return true;
  const bool written = file_.Write(buffer_);
  buffer_.clear();
  if (!written) failed_ = true;
  return written;
}

}  // namespace varkelo::text
