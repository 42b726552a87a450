#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace zeph::platform {

int TryLockFile(int fd) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
    if (errno != EINTR) return errno;  // EWOULDBLOCK: held elsewhere
  }
}

// The directory itself is locked: it exists as long as the installation
// does, and no file has to be created for the lock.
int DirectoryLock::TryAcquire(const std::string& directory) {
  if (Held()) return 0;
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int error = TryLockFile(fd);
  if (error != 0) {
    ::close(fd);
    return error;
  }
  handle_ = fd;
  return 0;
}

void DirectoryLock::Release() {
  if (Held()) ::close(static_cast<int>(handle_));
  handle_ = -1;
}

bool DirectoryLock::Held() const {
  return handle_ >= 0;
}

DirectoryLock::~DirectoryLock() {
  Release();
}

}  // namespace zeph::platform
