// Who besides a file's owner may read it: what the check asks of a file
// that holds passwords. On POSIX systems the group and other bits of its
// mode answer; on Windows the entries of its access list that let an
// account read it other than the owner, SYSTEM, the Administrators and the
// account asking (which is the one a run uses).
#pragma once

#include <string>

namespace zeph::platform {

// Texts in the system's own form (paths as given; on Windows account names
// in the ANSI code page).
struct OtherReaders {
  // Empty when no one else may read the file; else "all users" or "its
  // group" (POSIX), or the accounts, e.g. "Everyone, BUILTIN\Users".
  std::string who;
  // What grants it: "mode 0644", or "its access list allows it".
  std::string because;
  // The command that leaves the file to its owner alone: "chmod 600 PATH",
  // or an icacls command line.
  std::string remedy;
};

// False with errno set when the file's permissions cannot be read.
bool FindOtherReaders(const std::string& path, OtherReaders& out);

}  // namespace zeph::platform
