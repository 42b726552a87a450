// Leaving an instance's directory and files to the account its runs use:
// that account may read and write them, and no one else but the system's
// administrators may read them (the server list holds passwords).
#pragma once

#include <string>

namespace zeph::platform {

// The account this process runs as, by the name `GiveToAccount` takes.
std::string CurrentAccount();

// Gives the directory or file at `path` to `account`. POSIX: the account
// becomes its owner (only root can give it to another) and the mode 0700
// (directory) or 0600. Windows: an access list of its own, taking nothing
// from the directory above: `account` may modify (and in a directory, what
// is made in it inherits that), BUILTIN\Administrators have full control,
// and unless `secret` so has SYSTEM (the services that back up or monitor
// an instance). False with `error` telling why (no such account, the
// system's refusal).
bool GiveToAccount(const std::string& path, const std::string& account, bool secret,
                   std::string& error);

}  // namespace zeph::platform
