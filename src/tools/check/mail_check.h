// The mail settings beyond the required keys: the TLS and login keys as
// written, and with --mail one session with the server as a mail would have
// it (TLS, login), then QUIT; nothing is ever sent.
#pragma once

#include "config/server_list.h"
#include "platform/run_user.h"
#include "tools/check/findings.h"

namespace zeph {

// SzyfrowaniePoczty, CertyfikatyCA, KluczSerweraPocztowego,
// MetodaUwierzytelniania and PolecenieHasla, without touching the network.
void CheckMailSecurityKeys(const MailSettings& mail, Findings& findings);

// Whether --mail must run PolecenieHasla (the login is on and it is set).
bool NeedsPasswordCommand(const MailSettings& mail);

// Connects as the run would: TLS outcome (version, certificate, whether it
// verifies), the login methods offered, the login itself when
// Uwierzytelnianie is on (PolecenieHasla run as `user`, see
// NeedsPasswordCommand), and a password that would cross in clear text.
void CheckMailServer(const MailSettings& mail, const platform::RunUser& user, Findings& findings);

}  // namespace zeph
