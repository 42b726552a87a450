#include "platform/process.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace zeph::platform {

void SetUpUnattendedProcess() {
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
}

int CurrentProcessId() {
  return static_cast<int>(::getpid());
}

bool ProcessIsGone(int pid) {
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

bool SetEnvironmentValue(const char* name, const std::string& value) {
  return ::setenv(name, value.c_str(), 1) == 0;
}

bool RemoveEnvironmentValue(const char* name) {
  return ::unsetenv(name) == 0;
}

std::string TemporaryDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

}  // namespace zeph::platform
