// PolecenieHasla: the mail password (or token) printed by a command, so that
// it need not stand in serwery.ini.
#pragma once

#include <string>

#include "platform/run_user.h"

namespace zeph {

// Runs `command` through the system's shell (platform/shell_command.h), its
// standard input empty, and returns the first line of its standard output,
// without its line end, as UTF-8 (output that is not valid UTF-8 is taken as
// Windows-1250 and converted). Throws Exception (Windows-1250) with the
// exit status and the command's standard error text when it fails, prints an
// empty first line, or has not ended after `timeout_seconds` (then it is
// killed, with whatever it started).
std::string RunPasswordCommand(const std::string& command, int timeout_seconds);
// The same as `user`, as the scheduler's run would (platform::RunShellCommandAs).
std::string RunPasswordCommandAs(const platform::RunUser& user, const std::string& command,
                                 int timeout_seconds);

// RunPasswordCommand once per process and command, with a 60 s limit: the
// first mail of a run runs it, the later ones get its password, or its error
// again.
std::string PasswordFromCommand(const std::string& command);

}  // namespace zeph
