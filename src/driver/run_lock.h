// One run at a time per installation. A run holds the exclusive lock of the
// program's directory (platform/file_lock.h) from before it reads
// serwery.ini until it ends. There is no lock file to create, to leave
// behind or to clean up, and the system releases the lock of a run that
// dies, however it dies.
#pragma once

#include <chrono>
#include <string>

#include "platform/file_lock.h"

namespace zeph {

// How long a second run waits for the first: 10 minutes, or the whole
// seconds in ZEPHAUTOMAT_RUN_LOCK_WAIT (used by the tests).
std::chrono::milliseconds RunLockWait();

class RunLock {
 public:
  enum Outcome {
    kHeld,         // this run owns the installation
    kBusy,         // another run held it for the whole wait
    kUnavailable,  // the directory cannot be locked; reported on standard error
  };

  // Waits up to `wait` for the lock on `directory`.
  Outcome Acquire(const std::string& directory, std::chrono::milliseconds wait);

 private:
  platform::DirectoryLock lock_;
};

}  // namespace zeph
