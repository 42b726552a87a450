// serwery.ini read as the program reads it, from a private copy so that
// nothing of the instance is written or created, with every problem
// reported (not only the first, where the run would stop).
#pragma once

#include <string>
#include <vector>

#include "config/server_list.h"
#include "platform/run_user.h"
#include "tools/check/findings.h"

namespace zeph {

using platform::RunUser;

struct CheckedServerList {
  bool read = false;  // the file could be read at all
  MailSettings mail;
  std::vector<TSerwerInformacje> entries;  // every entry, read with its defaults
  bool holds_passwords = false;
};

// `dir` with a trailing delimiter.
CheckedServerList CheckServerList(const std::string& dir, const RunUser& user, Findings& findings);

}  // namespace zeph
