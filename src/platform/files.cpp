// What is the same on every platform: a file's ownership of its handle,
// reading a whole file, and the whole-or-nothing writer, which only uses the
// primitives of the platform's own file.

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>

#include "platform/files.hpp"
#include "platform/utf8_path.hpp"

namespace varkelo::platform {
namespace {

// A leftover of a killed run may hold a name by chance; another name is tried.
constexpr int NameAttempts = 8;
// The random part of a temporary file's name, in hexadecimal digits.
constexpr std::size_t RandomDigits = 16;

std::filesystem::path TemporaryPathFor(const std::filesystem::path& target, std::random_device& random) {
  static constexpr char Hex[] = "0123456789abcdef";
  std::string random_part;
  while (random_part.size() < RandomDigits) {
    for (unsigned word = random(), k = 0; k < 4; ++k, word >>= 4) random_part += Hex[word & 0xF];
  }
  // Joined as paths: the target's name keeps its characters on every platform.
  std::filesystem::path name(".");
  name += target.filename();
  name += "." + random_part + ".tmp";
  return target.parent_path() / name;
}

// A file left in place that the run vouches for: open to be flushed where it
// may be. Windows flushes only through a handle that may write; a file that a
// program (a spreadsheet showing it) holds open against writers is opened to
// be read and left as it stands: it was flushed before the rename that put it
// there, which Windows writes through at once.
struct KeptFile {
  RegularFile file;
  bool flushable = true;
};

Status FlushKept(KeptFile& kept) {
  return kept.flushable ? kept.file.Flush() : Status();
}

Result<KeptFile> OpenKept(const std::filesystem::path& path) {
  Result<RegularFile> file = RegularFile::OpenToFlush(path);
  if (file) return KeptFile{.file = std::move(*file), .flushable = true};
  Result<RegularFile> readable = RegularFile::OpenForReading(path);
  if (!readable) return file.Reason();
  return KeptFile{.file = std::move(*readable), .flushable = false};
}

// The regular file at `target`, kept, when it holds exactly the `size` bytes
// of the file at `made`; nothing when it differs or either cannot be opened
// or read.
std::optional<KeptFile> SameBytes(const std::filesystem::path& made, const std::filesystem::path& target,
                                  std::int64_t size) {
  if (KindOfEntry(target) != EntryKind::RegularFile) return std::nullopt;
  Result<RegularFile> a = RegularFile::OpenForReading(made);
  Result<KeptFile> b = OpenKept(target);
  if (!a || !b) return std::nullopt;
  std::uint8_t chunkA[16384], chunkB[16384];
  for (std::int64_t offset = 0;; offset += static_cast<std::int64_t>(sizeof chunkA)) {
    const Result<std::size_t> n = a->ReadAt(offset, chunkA);
    const Result<std::size_t> m = b->file.ReadAt(offset, chunkB);
    if (!n || !m || *n != *m || std::memcmp(chunkA, chunkB, *n) != 0) return std::nullopt;
    if (*n < sizeof chunkA) {
      if (offset + static_cast<std::int64_t>(*n) != size) return std::nullopt;
      return std::move(*b);
    }
  }
}

// Whatever step failed, a person hears that the target was not written, and why.
Failure CannotWrite(const std::filesystem::path& target, std::error_code error) {
  return {.what = "cannot write", .subject = Utf8FromPath(target), .error = error};
}

}  // namespace

RegularFile::RegularFile(RegularFile&& other) noexcept
    : handle_(other.handle_), path_(std::move(other.path_)) {
  other.handle_ = NoHandle;
}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
  if (this != &other) {
    static_cast<void>(Close());
    handle_ = other.handle_;
    path_ = std::move(other.path_);
    other.handle_ = NoHandle;
  }
  return *this;
}

RegularFile::~RegularFile() {
  static_cast<void>(Close());
}

Failure RegularFile::FailureOf(const char* what, std::error_code error) const {
  return {.what = what, .subject = Utf8FromPath(path_), .error = error};
}

namespace {

// Positions are 64-bit on every platform the system builds for.
bool FitsOffset(std::int64_t offset, std::size_t count) {
  return offset >= 0 &&
         count <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max() - offset);
}

}  // namespace

Result<std::size_t> RegularFile::ReadAt(std::int64_t offset, std::span<std::uint8_t> buffer) {
  if (handle_ == NoHandle)
    return FailureOf("cannot read", std::make_error_code(std::errc::bad_file_descriptor));
  if (!FitsOffset(offset, buffer.size()))
    return FailureOf("cannot read", std::make_error_code(std::errc::file_too_large));
  std::size_t done = 0;
  while (done < buffer.size()) {
    const Result<std::size_t> n = ReadSomeAt(offset + static_cast<std::int64_t>(done), buffer.subspan(done));
    if (!n) return n.Reason();
    if (*n == 0) break;
    done += *n;
  }
  return done;
}

Status RegularFile::WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
  if (handle_ == NoHandle)
    return FailureOf("cannot write", std::make_error_code(std::errc::bad_file_descriptor));
  if (!FitsOffset(offset, bytes.size()))
    return FailureOf("cannot write", std::make_error_code(std::errc::file_too_large));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const Result<std::size_t> n = WriteSomeAt(offset + static_cast<std::int64_t>(done), bytes.subspan(done));
    if (!n) return n.Reason();
    // No progress and no error: the disk took nothing, as when it is full.
    if (*n == 0) return FailureOf("cannot write", std::make_error_code(std::errc::no_space_on_device));
    done += *n;
  }
  return {};
}

Result<std::string> RegularFile::ReadAll() {
  std::string content;
  std::uint8_t chunk[16384];
  while (true) {
    const Result<std::size_t> n = ReadAt(static_cast<std::int64_t>(content.size()), chunk);
    if (!n) return n.Reason();
    content.append(reinterpret_cast<const char*>(chunk), *n);
    if (*n < sizeof chunk) return content;
  }
}

Status WholeFileWriter::Open(const std::filesystem::path& target, Identical identical) {
  Discard();
  identical_ = identical;
  failure_.reset();
  if (!target.has_filename()) return CannotWrite(target, std::make_error_code(std::errc::is_a_directory));
  std::error_code error = std::make_error_code(std::errc::file_exists);
  try {
    std::random_device random;
    for (int attempt = 0; attempt < NameAttempts && !file_; ++attempt) {
      temporary_ = TemporaryPathFor(target, random);
      Result<RegularFile> created = RegularFile::CreateNew(temporary_);
      if (created) {
        file_ = std::move(*created);
      } else {
        error = created.Reason().error;
      }
    }
  } catch (...) {
    // No source of random names: no temporary file either.
    error = std::make_error_code(std::errc::resource_unavailable_try_again);
  }
  if (!file_) return CannotWrite(target, error);
  target_ = target;
  size_ = 0;
  return {};
}

Status WholeFileWriter::Write(std::string_view bytes) {
  return WriteAt(size_, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

Status WholeFileWriter::WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
  if (failure_) return *failure_;
  if (!file_) return CannotWrite(target_, std::make_error_code(std::errc::bad_file_descriptor));
  if (const Status written = file_->WriteAt(offset, bytes); !written) {
    failure_ = CannotWrite(target_, written.Reason().error);
    return *failure_;
  }
  size_ = std::max(size_, offset + static_cast<std::int64_t>(bytes.size()));
  return {};
}

Status WholeFileWriter::Commit() {
  if (!file_)
    return failure_ ? *failure_ : CannotWrite(target_, std::make_error_code(std::errc::bad_file_descriptor));
  if (!failure_ && identical_ == Identical::Keep) {
    if (std::optional<KeptFile> kept = SameBytes(temporary_, target_, size_)) {
      Discard();
      return FlushKept(*kept);
    }
  }
  // The data reaches the disk before the name does: a power loss after the
  // rename finds the whole file, not an empty one.
  if (const Status flushed = failure_ ? Status() : file_->Flush(); !flushed) {
    failure_ = Failure{.what = "cannot flush to the disk",
                       .subject = Utf8FromPath(target_),
                       .error = flushed.Reason().error};
  }
  const Status closed = file_->Close();
  file_.reset();
  if (!failure_ && !closed) failure_ = CannotWrite(target_, closed.Reason().error);
  if (!failure_) {
    // Only a regular file, or nothing, may be replaced: the rename would swap
    // out a link or a FIFO that someone put there on purpose.
    const EntryKind standing = KindOfEntry(target_);
    if (standing == EntryKind::Folder) {
      failure_ = CannotWrite(target_, std::make_error_code(std::errc::is_a_directory));
    } else if (standing != EntryKind::Missing && standing != EntryKind::RegularFile) {
      failure_ = CannotWrite(target_, FileError::NotRegularFile);
    } else if (const Status replaced = ReplaceFile(temporary_, target_); !replaced) {
      failure_ = CannotWrite(target_, replaced.Reason().error);
    } else {
      return {};
    }
  }
  static_cast<void>(RemoveFile(temporary_));
  return *failure_;
}

void WholeFileWriter::Discard() {
  if (!file_) return;
  file_.reset();
  static_cast<void>(RemoveFile(temporary_));
}

Status FlushFile(const std::filesystem::path& path) {
  Result<KeptFile> kept = OpenKept(path);
  if (!kept)
    return Failure{
        .what = "cannot flush to the disk", .subject = Utf8FromPath(path), .error = kept.Reason().error};
  return FlushKept(*kept);
}

bool IsTemporaryFileName(std::string_view name) {
  constexpr std::string_view Suffix = ".tmp";
  // "." + at least one character + "." + the random digits + ".tmp".
  if (name.size() < 3 + RandomDigits + Suffix.size() || name.front() != '.' || !name.ends_with(Suffix))
    return false;
  name.remove_suffix(Suffix.size());
  const std::string_view digits = name.substr(name.size() - RandomDigits);
  return name[name.size() - RandomDigits - 1] == '.' &&
         digits.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

void RemoveTemporaryFiles(const std::filesystem::path& folder) {
  bool removed = false;
  std::error_code error;
  for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::filesystem::path& path = entry->path();
    // The kind is asked of the entry itself: a link is never followed, and
    // only a regular file is the program's own.
    if (IsTemporaryFileName(Utf8FromPath(path.filename())) && KindOfEntry(path) == EntryKind::RegularFile)
      removed = RemoveFile(path) || removed;
  }
  if (removed) static_cast<void>(FlushFolder(folder));
}

}  // namespace varkelo::platform
