// The files of an instance directory as the run will meet them: the
// directory itself, serwery.ini (links, mode, who may write it), the run
// log, the program, and working directories named by the entries.
#pragma once

#include <string>

#include "platform/run_user.h"
#include "tools/check/findings.h"

namespace zeph {

using platform::RunUser;

// `dir` with a trailing delimiter. `holds_passwords`: serwery.ini holds a
// non-empty Haslo, so it must not be readable by others.
void CheckInstanceFiles(const std::string& dir, const RunUser& user, bool holds_passwords,
                        Findings& findings);

// A working directory (Windows-1250 path bytes, relative ones taken against
// the current directory): it must be writable by `user`, or creatable when
// missing. Nothing is created.
void CheckWorkingDirectory(const std::string& path, const RunUser& user, const std::string& where,
                           Findings& findings);

}  // namespace zeph
