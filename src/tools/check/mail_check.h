// The mail settings beyond the required keys: the TLS and login keys as
// written, and with --mail one session with the server as a mail would have
// it (TLS, login), then QUIT; nothing is ever sent.
#pragma once

#include "config/server_list.h"
#include "tools/check/findings.h"

namespace zeph {

// SzyfrowaniePoczty, CertyfikatyCA, KluczSerweraPocztowego,
// MetodaUwierzytelniania and PolecenieHasla, without touching the network.
void CheckMailSecurityKeys(const MailSettings& mail, Findings& findings);

// Connects as the run would: TLS outcome (version, certificate, whether it
// verifies), the login methods offered, the login itself when
// Uwierzytelnianie is on, and a password that would cross in clear text.
void CheckMailServer(const MailSettings& mail, Findings& findings);

}  // namespace zeph
