// Mail of the tasks that report by mail (/EK, /RD, /EFED): one way to send
// with the Konfiguracja settings, and one way to turn a mail step into the
// entry's mail-sent flag and the summary's error line.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "config/server_list.h"
#include "mail/mail_security.h"
#include "tasks/frame.h"

namespace zeph {

// "ZephAutomat-><what> <owner> [Serwer].[Baza]".
std::string TaskMailSubject(const std::string& what, const std::string& owner,
                            const TSerwerInformacje& entry);

// The host parameter IDENTYFIKATOR_WLASCICIELA as text. Without a
// configuration server (its creation failed) there is none to ask: empty.
std::string OwnerIdentifier(TaskRun& run);

// TLS and login settings of Konfiguracja. Throws Exception for a malformed
// KluczSerweraPocztowego.
MailSecurity MailSecurityOf(const MailSettings& mail);

// Sends with the Konfiguracja settings: sender name and address both
// AdresPocztowyNadawcy, trimmed AdresPocztowyOdbiorcy, no copy, port 25
// (465 for TLS from the first byte), the password from PolecenieHasla when set.
// Failures throw the mail sender's text; an address key that the read limit
// cut fails before connecting, naming the key.
bool SendTaskMail(const MailSettings& mail, const std::string& subject, const std::string& body,
                  const std::vector<std::string>& attachments);

// Runs `step`; its result becomes the entry's mail-sent flag and goes to the
// run record. An error sets the flag false and its message is returned
// (empty otherwise): a mail failure never fails the task.
std::string RunMailStep(TaskRun& run, const std::function<bool()>& step);

// The indented "  Komunikat błędu: " line, only while the entry's mail-sent
// flag is false.
void LogMailError(TaskRun& run, const std::string& mail_error);

}  // namespace zeph
