#include "text/line_writer.hpp"

#include "text/cp932.hpp"

namespace varkelo::text {
namespace {

// Buffered text goes to the file once it reaches this size.
constexpr std::size_t kFlushSize = 64 * 1024;

}  // namespace

LineWriter::~LineWriter() {
  if (file_ == nullptr) return;
  Flush();
  std::fclose(file_);
}

bool LineWriter::Open(const std::filesystem::path& path) {
  if (file_ != nullptr) {
    Flush();
    std::fclose(file_);
  }
  buffer_.clear();
  buffer_.reserve(kFlushSize + 1024);
  file_ = std::fopen(path.c_str(), "wb");
  failed_ = file_ == nullptr;
  // The buffer here is the only one; unbuffered, a failing write shows at once.
  if (file_ != nullptr) std::setvbuf(file_, nullptr, _IONBF, 0);
  return !failed_;
}

bool LineWriter::WriteLine(std::string_view utf8) {
  if (file_ == nullptr || failed_) return false;
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
  if (file_ == nullptr) return false;
  const bool flushed = Flush();
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  buffer_.clear();
  return flushed && closed && !failed_;
}

bool LineWriter::Flush() {
  if (buffer_.empty()) return true;
  // Lines accepted before a line that failed to encode are still written.
  const bool written = std::fwrite(buffer_.data(), 1, buffer_.size(), file_) == buffer_.size();
  buffer_.clear();
  if (!written) failed_ = true;
  return written;
}

}  // namespace varkelo::text
