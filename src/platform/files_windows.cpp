// The file primitives on Windows: UTF-16 paths, handles opened without
// following a reparse point (a symbolic link or junction), positioned reads
// and writes with 64-bit offsets, and binary bytes throughout.

#include <windows.h>

#include <algorithm>

#include "platform/files.hpp"
#include "platform/utf8_path.hpp"

// windows.h names a function of its own ReplaceFile.
#undef ReplaceFile

namespace varkelo::platform {
namespace {

HANDLE Handle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

std::error_code LastError() {
  return {static_cast<int>(GetLastError()), std::system_category()};
}

Status Checked(bool done, const char* what, const std::filesystem::path& path) {
  if (done) return {};
  return Failure{.what = what, .subject = Utf8FromPath(path), .error = LastError()};
}

// Opens the entry itself, never what a reparse point leads to, and keeps it
// only when it is a file on a disk: not a folder (which CreateFileW refuses
// here), a link, a device such as NUL or CON, or a pipe.
Result<std::intptr_t> OpenRegular(const std::filesystem::path& path, DWORD access, DWORD disposition,
                                  const char* what) {
  const auto failure = [&](std::error_code error) -> Result<std::intptr_t> {
    return Failure{.what = what, .subject = Utf8FromPath(path), .error = error};
  };
  const HANDLE file =
      CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return failure(LastError());
  // Only the attribute bits: the fuller information costs a look-up of the
  // volume, which is slow where the system answers it from another process.
  FILE_ATTRIBUTE_TAG_INFO information{};
  if (GetFileType(file) != FILE_TYPE_DISK ||
      !GetFileInformationByHandleEx(file, FileAttributeTagInfo, &information, sizeof information)) {
    CloseHandle(file);
    return failure(FileError::NotRegularFile);
  }
  if ((information.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
    CloseHandle(file);
    return failure((information.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
                       ? make_error_code(FileError::SymbolicLink)
                       : std::make_error_code(std::errc::is_a_directory));
  }
  return reinterpret_cast<std::intptr_t>(file);
}

OVERLAPPED At(std::int64_t offset) {
  OVERLAPPED position{};
  position.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
  position.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  return position;
}

// One call moves at most this much.
constexpr std::size_t MaxChunk = 1u << 30;

}  // namespace

Result<RegularFile> RegularFile::OpenForReading(const std::filesystem::path& path) {
  const auto handle = OpenRegular(path, GENERIC_READ, OPEN_EXISTING, "cannot open");
  if (!handle) return handle.Reason();
  return RegularFile(*handle, path);
}

Result<RegularFile> RegularFile::OpenToFlush(const std::filesystem::path& path) {
  // FlushFileBuffers needs a handle that may write.
  const auto handle = OpenRegular(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, "cannot open");
  if (!handle) return handle.Reason();
  return RegularFile(*handle, path);
}

Result<RegularFile> RegularFile::OpenForWriting(const std::filesystem::path& path) {
  const auto handle = OpenRegular(path, GENERIC_WRITE, OPEN_ALWAYS, "cannot open for writing");
  if (!handle) return handle.Reason();
  return RegularFile(*handle, path);
}

Result<RegularFile> RegularFile::CreateNew(const std::filesystem::path& path) {
  const auto handle = OpenRegular(path, GENERIC_WRITE, CREATE_NEW, "cannot create");
  if (!handle) return handle.Reason();
  return RegularFile(*handle, path);
}

Result<std::size_t> RegularFile::ReadSomeAt(std::int64_t offset, std::span<std::uint8_t> buffer) {
  OVERLAPPED position = At(offset);
  DWORD n = 0;
  if (!ReadFile(Handle(handle_), buffer.data(), static_cast<DWORD>(std::min(buffer.size(), MaxChunk)), &n,
                &position)) {
    if (GetLastError() == ERROR_HANDLE_EOF) return std::size_t{0};
    return FailureOf("cannot read", LastError());
  }
  return std::size_t{n};
}

Result<std::size_t> RegularFile::WriteSomeAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
  OVERLAPPED position = At(offset);
  DWORD n = 0;
  if (!WriteFile(Handle(handle_), bytes.data(), static_cast<DWORD>(std::min(bytes.size(), MaxChunk)), &n,
                 &position))
    return FailureOf("cannot write", LastError());
  return std::size_t{n};
}

Status RegularFile::Flush() {
  if (FlushFileBuffers(Handle(handle_))) return {};
  return FailureOf("cannot flush to the disk", LastError());
}

Status RegularFile::Close() {
  if (handle_ == NoHandle) return {};
  const bool closed = CloseHandle(Handle(handle_)) != 0;
  const std::error_code error = closed ? std::error_code() : LastError();
  handle_ = NoHandle;
  if (!closed) return FailureOf("cannot close", error);
  return {};
}

EntryKind KindOfEntry(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? EntryKind::Missing
                                                                          : EntryKind::Unreadable;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return EntryKind::Other;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EntryKind::Folder;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return EntryKind::Other;
  return EntryKind::RegularFile;
}

Status CreateFolder(const std::filesystem::path& path) {
  return Checked(CreateDirectoryW(path.c_str(), nullptr) != 0, "cannot make the folder", path);
}

Status ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  // One rename within the folder, on the disk when it returns. Windows
  // refuses it while another program holds the target open without allowing
  // deletion; the writer then fails.
  return Checked(
      MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0,
      "cannot replace", to);
}

Status FlushFolder(const std::filesystem::path&) {
  // Every rename is written through (ReplaceFile), and a folder's own handle
  // cannot be flushed without rights a run does not have.
  return {};
}

Status RemoveFile(const std::filesystem::path& path) {
  return Checked(DeleteFileW(path.c_str()) != 0, "cannot remove", path);
}

}  // namespace varkelo::platform
