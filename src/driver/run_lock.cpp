#include "driver/run_lock.h"

#include <cerrno>
#include <cstdlib>
#include <thread>

#include "util/diagnostics.h"

namespace zeph {
namespace {

constexpr std::chrono::seconds kDefaultWait{600};
// Short enough that the second run starts soon after the first ends.
constexpr std::chrono::milliseconds kPollInterval{100};

}  // namespace

std::chrono::milliseconds RunLockWait() {
  const char* text = std::getenv("ZEPHAUTOMAT_RUN_LOCK_WAIT");
  if (text == nullptr || *text == '\0') return kDefaultWait;
  char* end = nullptr;
  long seconds = std::strtol(text, &end, 10);
  if (*end != '\0' || seconds < 0 || seconds > 24 * 3600) {
    Diagnose(std::string("ZEPHAUTOMAT_RUN_LOCK_WAIT=") + text +
             " is not a number of seconds up to 86400; waiting the default 600 s");
    return kDefaultWait;
  }
  return std::chrono::seconds(seconds);
}

RunLock::Outcome RunLock::Acquire(const std::string& directory, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    const int error = lock_.TryAcquire(directory);
    if (error == 0) return kHeld;
    if (error != EWOULDBLOCK) {
      DiagnoseSystemError("cannot lock the installation; running without the lock:", directory,
                          error);
      return kUnavailable;
    }
    if (std::chrono::steady_clock::now() >= deadline) return kBusy;
    std::this_thread::sleep_for(kPollInterval);
  }
}

}  // namespace zeph
