// What is the same on every platform: a file's ownership of its handle,
// reading a whole file, and the whole-or-nothing writer, which only uses the
// primitives of the platform's own file.

#include <random>

#include "platform/files.hpp"

namespace varkelo::platform {
namespace {

// A leftover of a killed run may hold a name by chance; another name is tried.
constexpr int NameAttempts = 8;

std::filesystem::path TemporaryPathFor(const std::filesystem::path& target, std::random_device& random) {
  static constexpr char Hex[] = "0123456789abcdef";
  std::string random_part;
  for (int i = 0; i < 4; ++i) {
    for (unsigned word = random(), k = 0; k < 4; ++k, word >>= 4) random_part += Hex[word & 0xF];
  }
  // Joined as paths: the target's name keeps its characters on every platform.
  std::filesystem::path name(".");
  name += target.filename();
  name += "." + random_part + ".tmp";
  return target.parent_path() / name;
}

}  // namespace

RegularFile::RegularFile(RegularFile&& other) noexcept : handle_(other.handle_) {
  other.handle_ = NoHandle;
}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = NoHandle;
  }
  return *this;
}

RegularFile::~RegularFile() {
  Close();
}

std::optional<std::string> RegularFile::ReadAll() {
  std::string content;
  std::uint8_t chunk[16384];
  while (true) {
    const std::optional<std::size_t> n = ReadAt(static_cast<std::int64_t>(content.size()), chunk);
    if (!n) return std::nullopt;
    content.append(reinterpret_cast<const char*>(chunk), *n);
    if (*n < sizeof chunk) return content;
  }
}

bool WholeFileWriter::Open(const std::filesystem::path& target) {
  Discard();
  if (!target.has_filename()) return false;
  try {
    std::random_device random;
    for (int attempt = 0; attempt < NameAttempts && !file_; ++attempt) {
      temporary_ = TemporaryPathFor(target, random);
      file_ = RegularFile::CreateNew(temporary_);
    }
  } catch (...) {
    // No source of random names: no temporary file either.
  }
  if (!file_) return false;
  target_ = target;
  size_ = 0;
  failed_ = false;
  return true;
}

bool WholeFileWriter::Write(std::string_view bytes) {
  if (!file_ || failed_) return false;
  const std::span<const std::uint8_t> raw(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  if (!file_->WriteAt(size_, raw)) {
    failed_ = true;
    return false;
  }
  size_ += static_cast<std::int64_t>(bytes.size());
  return true;
}

bool WholeFileWriter::Commit() {
  if (!file_) return false;
  const bool complete = file_->Close() && !failed_;
  file_.reset();
  // Only a regular file, or nothing, may be replaced: the rename would swap
  // out a link or a FIFO that someone put there on purpose.
  const EntryKind standing = KindOfEntry(target_);
  const bool placeable = standing == EntryKind::Missing || standing == EntryKind::RegularFile;
  if (complete && placeable && ReplaceFile(temporary_, target_)) return true;
  RemoveFile(temporary_);
  return false;
}

void WholeFileWriter::Discard() {
  if (!file_) return;
  file_.reset();
  RemoveFile(temporary_);
}

}  // namespace varkelo::platform
