#pragma once

// The one way the system writes a text file: lines of UTF-8 text encoded to
// code page 932, each ending in CR LF, written in large buffered writes, and
// put in place whole or not at all.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.hpp"

namespace varkelo::text {

class LineWriter {
 public:
  LineWriter() = default;
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  // Starts the file that Close puts at `path`; until then the file at `path`
  // stays as it was. A file at `path` that holds the very same bytes is kept
  // as it is (and flushed), unless `identical` says to replace it. Fails when
  // the file cannot be started.
  platform::Status Open(const std::filesystem::path& path, platform::WholeFileWriter::Identical identical =
                                                               platform::WholeFileWriter::Identical::Keep);

  // Encodes one line and appends CR LF. Fails, with nothing of the line
  // written, when a character cannot be encoded or the file cannot be written;
  // the writer is then failed and every later call fails the same way.
  platform::Status WriteLine(std::string_view utf8);

  // Appends a line that is code page 932 already, and CR LF. Fails as WriteLine.
  platform::Status WriteEncodedLine(std::string_view cp932);

  // Writes what is buffered and replaces the file at `path` with the whole
  // file. Fails, with the file at `path` as it was, when any write failed or
  // anything but a regular file stands at `path`. A writer destroyed or
  // reopened without Close leaves nothing behind either.
  platform::Status Close();

  bool IsOpen() const { return file_.IsOpen(); }

 private:
  platform::Status Flush();
  platform::Failure NotOpen() const;

  platform::WholeFileWriter file_;
  std::filesystem::path path_;
  std::string buffer_;
  // Why the writer failed, once it has.
  std::optional<platform::Failure> failure_;
};

}  // namespace varkelo::text
