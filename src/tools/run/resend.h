// zephautomat-run --resend RECORD: sends again the mails a run failed to
// send, whole as its record keeps them (sender, recipients, subject, body,
// the attachments' paths), through the instance's mail settings as they are
// now, and marks each one the server accepted in the record, so that no
// mail is delivered twice.
#pragma once

#include <string>

namespace zeph {

// Exit code: 0 every mail left is sent (or none was left), 1 one failed
// again, 2 the record cannot be read or rewritten, or names no instance.
int ResendFailedMails(const std::string& record_path);

}  // namespace zeph
