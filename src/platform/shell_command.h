// Running a command line of the operator's through the system's shell
// (/bin/sh -c; on Windows cmd.exe /c) and collecting what it prints.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "platform/run_user.h"

namespace zeph::platform {

struct CommandEnd {
  std::string start_failure;  // the system's reason when it could not be started
  bool timed_out = false;     // killed at the time limit, with whatever it started
  int signal = 0;             // the signal that ended it (POSIX)
  int exit_code = -1;         // when it exited
  std::string output;         // standard output, at most `max_output` bytes
  std::string error_output;   // standard error, likewise
};

// Runs `command` with standard input empty, reading its standard output and
// error until both end or `timeout` has passed.
CommandEnd RunShellCommand(const std::string& command, std::chrono::seconds timeout,
                           size_t max_output);

// Whether this process can run a command as `user`: the user it runs as,
// or any user when it runs as root (POSIX). Windows switches to no other
// account without its password.
bool CanRunAs(const RunUser& user);

// RunShellCommand as `user` (its user and group ids, its groups, and HOME,
// USER and LOGNAME of its own), as a scheduler would start it. Fails to
// start (`start_failure`) when CanRunAs(user) is false.
CommandEnd RunShellCommandAs(const RunUser& user, const std::string& command,
                             std::chrono::seconds timeout, size_t max_output);

}  // namespace zeph::platform
