// The folder lock on Windows: "varkelo.lock" in the folder, opened with no
// sharing at all and deleted when its last handle closes. A second run's open
// fails with a sharing violation; the system closes the handle of a process
// that dies, so the file and the lock go with it. Nothing else in the folder
// is opened, so "System.ini" stays free to edit.

#include <windows.h>

#include "platform/folder_lock.hpp"
#include "platform/utf8_path.hpp"

namespace varkelo::platform {

void FolderLock::Release() {
  if (handle_ == NoHandle) return;
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = NoHandle;
}

Result<FolderLock> LockFolder(const std::filesystem::path& folder) {
  const std::filesystem::path lockPath = folder / L"varkelo.lock";
  const HANDLE file = CreateFileW(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    Failure failure{.what = "cannot lock the folder", .subject = Utf8FromPath(folder), .error = {}};
    // A sharing violation is another run's open lock file.
    failure.error = error == ERROR_SHARING_VIOLATION
                        ? std::make_error_code(std::errc::device_or_resource_busy)
                        : std::error_code(static_cast<int>(error), std::system_category());
    return failure;
  }
  return FolderLock(reinterpret_cast<std::intptr_t>(file));
}

}  // namespace varkelo::platform
