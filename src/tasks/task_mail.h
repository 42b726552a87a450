// Mail of the tasks that report by mail (/EK, /RD, /EFED): one way to send
// with the Konfiguracja settings, and one way to turn a mail step into the
// task's own mail-sent flag and the summary's error line.
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

// What the mail step of one task run did. Each task run keeps its own, not
// sent until its step sends: a summary says whether this task mailed, never
// what an earlier task of the entry did (the report of /RD failed after /EK
// mailed: "Raport dzienny wysłany: nie").
struct TaskMail {
  bool sent = false;
  std::string error;  // the step's error; empty when it sent or never ran
};

// Runs `step`; its result becomes `mail.sent` and goes to the run record.
// An error sets it false and its message becomes `mail.error`: a mail
// failure never fails the task.
void RunMailStep(TaskRun& run, TaskMail& mail, const std::function<bool()>& step);

// The indented "  Komunikat błędu: " line, only when the task sent no mail.
void LogMailError(TaskRun& run, const TaskMail& mail);

}  // namespace zeph
