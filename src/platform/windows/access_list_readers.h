// The accounts a file's access list lets read it besides those that should:
// the owner, SYSTEM, the Administrators and the account that asks.
#pragma once

#include <string>
#include <vector>

#include "platform/windows/windows_support.h"

namespace zeph::platform::windows {

// The SIDs, as text ("S-1-1-0"), of the accounts that an allowing entry of
// the descriptor's access list lets read the file (FILE_READ_DATA,
// GENERIC_READ or GENERIC_ALL) and no earlier denying entry for the same
// account or for Everyone stops; never the owner, SYSTEM, the
// Administrators nor `self`. Entries that only pass to a directory's new
// files count for nothing. A descriptor without an access list lets
// everyone in: Everyone's SID.
std::vector<std::string> OtherReaderSids(PSECURITY_DESCRIPTOR descriptor, PSID self);

// The text of a SID ("S-1-5-32-545"); "?" when it cannot be told.
std::string SidText(PSID sid);

// An account as Windows names it (DOMAIN\name, or the name alone), from
// the text of its SID; the SID's text when the system knows no name.
std::string AccountName(const std::string& sid);

// The TOKEN_USER of this process's token (the account a run started by
// this process uses); empty when the system cannot tell.
std::vector<char> TokenUser();

}  // namespace zeph::platform::windows
