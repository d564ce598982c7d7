#pragma once

// One writer per application folder: a run holds its folder from before it
// touches "read.nmd" to its end, so two runs never write one gateway's files
// at once. The lock never waits, and dies with its holder: a crashed or killed
// run leaves no folder locked.
//
// Linux: flock on the folder's own descriptor, which leaves no file behind.
// Windows: a hidden "varkelo.lock" in the folder, opened without sharing and
// removed by the system when its last handle closes (at the end of the run, or
// when the process dies); "System.ini" and every other file stay free to edit.

#include <cstdint>
#include <filesystem>

#include "platform/failure.hpp"

namespace varkelo::platform {

// A held folder; the lock is released when it is destroyed.
class FolderLock {
 public:
  FolderLock(FolderLock&& other) noexcept;
  FolderLock& operator=(FolderLock&& other) noexcept;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock();

 private:
  friend Result<FolderLock> LockFolder(const std::filesystem::path& folder);
  explicit FolderLock(std::intptr_t handle) : handle_(handle) {}
  void Release();

  static constexpr std::intptr_t NoHandle = -1;
  std::intptr_t handle_ = NoHandle;
};

// Takes the folder's lock at once, or fails without waiting: a folder another
// run holds fails with an error equal to std::errc::device_or_resource_busy
// (IsFolderBusy); any other failure keeps the system's reason.
Result<FolderLock> LockFolder(const std::filesystem::path& folder);

// True when LockFolder failed because another run holds the folder.
inline bool IsFolderBusy(const Failure& failure) {
  return failure.error == std::errc::device_or_resource_busy;
}

}  // namespace varkelo::platform
