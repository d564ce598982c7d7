// The file primitives on Windows: UTF-16 paths, handles opened without
// following a reparse point (a symbolic link or junction), positioned reads
// and writes with 64-bit offsets, and binary bytes throughout.

#include <windows.h>

#include <algorithm>
#include <limits>

#include "platform/files.hpp"

// windows.h names a function of its own ReplaceFile.
#undef ReplaceFile

namespace varkelo::platform {
namespace {

HANDLE Handle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

// Opens the entry itself, never what a reparse point leads to, and keeps it
// only when it is a file on a disk: not a folder (which CreateFileW refuses
// here), a link, a device such as NUL or CON, or a pipe.
std::optional<std::intptr_t> OpenRegular(const std::filesystem::path& path, DWORD access, DWORD disposition) {
  const HANDLE file =
      CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION information{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &information) ||
      (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
    CloseHandle(file);
    return std::nullopt;
  }
  return reinterpret_cast<std::intptr_t>(file);
}

OVERLAPPED At(std::int64_t offset) {
  OVERLAPPED position{};
  position.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
  position.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  return position;
}

bool FitsOffset(std::int64_t offset, std::size_t count) {
  return offset >= 0 &&
         count <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max() - offset);
}

// One call moves at most this much.
constexpr std::size_t MaxChunk = 1u << 30;

}  // namespace

std::optional<RegularFile> RegularFile::OpenForReading(const std::filesystem::path& path) {
  const auto handle = OpenRegular(path, GENERIC_READ, OPEN_EXISTING);
  if (!handle) return std::nullopt;
  return RegularFile(*handle);
}

std::optional<RegularFile> RegularFile::OpenForWriting(const std::filesystem::path& path) {
  const auto handle = OpenRegular(path, GENERIC_WRITE, OPEN_ALWAYS);
  if (!handle) return std::nullopt;
  return RegularFile(*handle);
}

std::optional<RegularFile> RegularFile::CreateNew(const std::filesystem::path& path) {
  const auto handle = OpenRegular(path, GENERIC_WRITE, CREATE_NEW);
  if (!handle) return std::nullopt;
  return RegularFile(*handle);
}

std::optional<std::size_t> RegularFile::ReadAt(std::int64_t offset, std::span<std::uint8_t> buffer) {
  if (handle_ == NoHandle || !FitsOffset(offset, buffer.size())) return std::nullopt;
  std::size_t done = 0;
  while (done < buffer.size()) {
    OVERLAPPED position = At(offset + static_cast<std::int64_t>(done));
    const DWORD wanted = static_cast<DWORD>(std::min(buffer.size() - done, MaxChunk));
    DWORD n = 0;
    if (!ReadFile(Handle(handle_), buffer.data() + done, wanted, &n, &position)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return std::nullopt;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

bool RegularFile::WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
  if (handle_ == NoHandle || !FitsOffset(offset, bytes.size())) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    OVERLAPPED position = At(offset + static_cast<std::int64_t>(done));
    const DWORD wanted = static_cast<DWORD>(std::min(bytes.size() - done, MaxChunk));
    DWORD n = 0;
    if (!WriteFile(Handle(handle_), bytes.data() + done, wanted, &n, &position) || n == 0) return false;
    done += n;
  }
  return true;
}

bool RegularFile::Close() {
  if (handle_ == NoHandle) return true;
  const bool closed = CloseHandle(Handle(handle_)) != 0;
  handle_ = NoHandle;
  return closed;
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

bool CreateFolder(const std::filesystem::path& path) {
  return CreateDirectoryW(path.c_str(), nullptr) != 0;
}

bool ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  // One rename within the folder. Windows refuses it while another program
  // holds the target open without allowing deletion; the writer then fails.
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool RemoveFile(const std::filesystem::path& path) {
  return DeleteFileW(path.c_str()) != 0;
}

}  // namespace varkelo::platform
