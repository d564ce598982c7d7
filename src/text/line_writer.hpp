#pragma once

// The one way the system writes a text file: lines of UTF-8 text encoded to
// code page 932, each ending in CR LF, written in large buffered writes.

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace varkelo::text {

class LineWriter {
 public:
  LineWriter() = default;
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;
  ~LineWriter();

  // Creates the file, or empties it when it exists. False when it cannot be opened.
  bool Open(const std::filesystem::path& path);

  // Encodes one line and appends CR LF. False, and nothing of the line
  // written, when a character cannot be encoded or the file cannot be written;
  // the writer is then failed and every later call fails too.
  bool WriteLine(std::string_view utf8);

  // Writes what is buffered and closes the file. False when any write failed.
  bool Close();

  bool IsOpen() const { return file_ != nullptr; }

 private:
  bool Flush();

  std::FILE* file_ = nullptr;
  std::string buffer_;
  bool failed_ = false;
};

}  // namespace varkelo::text
