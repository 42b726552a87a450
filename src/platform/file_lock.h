// Exclusive locks: one writer at a time on a file, one run at a time per
// installation. A lock ends with its holder, also when the process dies.
#pragma once

#include <cstdint>
#include <string>

namespace zeph::platform {

// Tries once to lock the whole of the open file `fd` exclusively. Returns 0
// when held, EWOULDBLOCK when another holder has it, another errno when the
// file cannot be locked at all. The lock ends when `fd` is closed.
int TryLockFile(int fd);

// The lock of one installation directory, held while the object lives.
class DirectoryLock {
 public:
  DirectoryLock() = default;
  ~DirectoryLock();
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;

  // Tries once; 0 when held (also when already held by this object),
  // EWOULDBLOCK when another process holds it, another errno when
  // `directory` cannot be locked.
  int TryAcquire(const std::string& directory);
  void Release();
  bool Held() const;

 private:
  // A descriptor (POSIX) or a handle (Windows) while held.
  intptr_t handle_ = -1;
};

}  // namespace zeph::platform
