// Mail of the tasks that report by mail (/EK, /RD, /EFED): one way to send
// with the Konfiguracja settings, and one way to turn a mail step into the
// entry's mail-sent flag and the summary's error line.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "config/server_list.h"
#include "mail/mail_security.h"
#include "mail/send_mail.h"
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

// The mail with the Konfiguracja settings: sender name and address both
// AdresPocztowyNadawcy, trimmed AdresPocztowyOdbiorcy, no copy, port 25
// (465 for TLS from the first byte), the password from PolecenieHasla when
// set. An address key that the read limit cut fails (Exception) before
// connecting, naming the key; so do the settings MailSecurityOf refuses.
MailRequest TaskMailRequest(const MailSettings& mail, const std::string& subject,
                            const std::string& body, const std::vector<std::string>& attachments);

// Sends TaskMailRequest with the run's settings, the mail noted in the run
// record first (kept whole there if it fails). Failures throw the mail
// sender's text.
bool SendTaskMail(TaskRun& run, const std::string& subject, const std::string& body,
                  const std::vector<std::string>& attachments);

// Runs `step`; its result becomes the entry's mail-sent flag and goes to the
// run record. An error sets the flag false and its message is returned
// (empty otherwise): a mail failure never fails the task.
std::string RunMailStep(TaskRun& run, const std::function<bool()>& step);

// The indented "  Komunikat błędu: " line, only while the entry's mail-sent
// flag is false.
void LogMailError(TaskRun& run, const std::string& mail_error);

}  // namespace zeph
