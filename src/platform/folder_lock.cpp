#include "platform/folder_lock.hpp"

// What a held folder is on every platform; taking and releasing the lock are
// the platform's own (folder_lock_posix.cpp, folder_lock_windows.cpp).

namespace varkelo::platform {

FolderLock::FolderLock(FolderLock&& other) noexcept : handle_(other.handle_) {
  other.handle_ = NoHandle;
}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = other.handle_;
    other.handle_ = NoHandle;
  }
  return *this;
}

FolderLock::~FolderLock() {
  Release();
}

}  // namespace varkelo::platform
