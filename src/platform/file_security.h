// Who may read a file, carried over when the file is rewritten: the
// original's owner, access control list and mode go to the replacement
// before it takes the original's name, so that a rewrite never widens (nor
// narrows) who may read the passwords in it.
#pragma once

#include <string>
#include <vector>

#include "platform/file.h"

namespace zeph::platform {

// Why a step of CarryOverSecurity failed: the text for the operator and
// the errno; `fatal` when the rewrite must stop (the access list could not
// be kept), otherwise it is only reported. `of_replacement` when it
// concerns the new file rather than the original.
struct SecurityProblem {
  std::string what;
  int error = 0;
  bool fatal = false;
  bool of_replacement = false;
};

// Gives `fd` (the replacement, not yet renamed) the owner, access list and
// mode of `original` at `original_path`. Problems are added to `problems`;
// it stops at the first fatal one.
void CarryOverSecurity(const std::string& original_path, const FileInfo& original, int fd,
                       std::vector<SecurityProblem>& problems);
// Gives a new file `mode` (POSIX bits; on Windows the file keeps the
// access list of its directory, only the owner writing it).
bool SetNewFileMode(int fd, unsigned mode);

}  // namespace zeph::platform
