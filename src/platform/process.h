// The running process: its id, its environment, its temporary directory.
#pragma once

#include <string>

namespace zeph::platform {

// Sets up the process for an unattended run: a write to a closed pipe or
// past a file size limit fails with an error the run reports instead of
// ending the program, and no error dialog of the system waits for a click.
void SetUpUnattendedProcess();

int CurrentProcessId();
// True only when no process `pid` exists (false when it may).
bool ProcessIsGone(int pid);

// Sets or removes a variable of this process's environment (seen by
// getenv() here and in the libraries it loaded, and by the programs it
// starts); false with errno set.
bool SetEnvironmentValue(const char* name, const std::string& value);
bool RemoveEnvironmentValue(const char* name);

// The directory for temporary files: TMPDIR, else /tmp (on Windows the
// system's temporary directory).
std::string TemporaryDirectory();

}  // namespace zeph::platform
