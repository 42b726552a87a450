#include "mail/send_mail.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <set>
#include <tuple>

#include "mail/mail_address.h"
#include "mail/message_builder.h"
#include "mail/mime_header.h"
#include "mail/password_command.h"
#include "platform/error_text.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

// The name of the file without its directory; both delimiters count.
std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Every attachment must be a readable regular file before the server is
// contacted, so that a bad path never breaks off a half-sent message.
void CheckAttachment(const std::string& path) {
  platform::FileInfo info;
  int error = 0;
  if (!platform::StatPath(path, info)) {
    error = errno;
  } else if (info.kind == platform::FileKind::kDirectory) {
    error = EISDIR;
  } else if (info.kind != platform::FileKind::kRegular) {
    error = EINVAL;
  } else if (!platform::CanRead(path)) {
    error = errno;
  }
  if (error != 0) {
    throw Exception("Cannot open file \"" + path + "\". " + platform::ErrorText(error));
  }
}

// A line break in an address list is refused rather than guessed around: it
// must never become a header line or an SMTP command of its own.
std::vector<Mailbox> AddressList(const std::string& text) {
  std::string utf8 = AnsiToUtf8(text);
  if (utf8.find_first_of("\r\n") != std::string::npos) {
    throw Exception("Invalid e-mail address: \"" + CleanHeaderText(Trim(text)) + "\"");
  }
  try {
    return ParseAddressList(CleanHeaderText(utf8));
  } catch (const Exception& e) {
    // The parser quotes the UTF-8 text; the program's messages are Windows-1250.
    throw Exception(Utf8ToAnsi(e.Message()));
  }
}

void AddRecipients(const std::vector<Mailbox>& boxes, std::vector<std::string>& out) {
  for (const Mailbox& box : boxes) {
    bool known = false;
    for (const std::string& address : out) {
      if (strcasecmp(address.c_str(), box.address.c_str()) == 0) known = true;
    }
    if (!known) out.push_back(box.address);
  }
}

// The logins a server refused in this process, so that a run logs in with
// wrong credentials once per server, not once per mail: accounts that lock
// after a few failed logins stay open. Keyed by everything the login
// depends on.
class RefusedLogins {
 public:
  static bool Known(const SmtpJob& job) { return Keys().count(Key(job)) != 0; }
  static void Add(const SmtpJob& job) { Keys().insert(Key(job)); }

 private:
  using LoginKey = std::tuple<std::string, int, std::string, std::string, int>;
  static LoginKey Key(const SmtpJob& job) {
    return {job.host, job.port, job.user, job.password, static_cast<int>(job.security.method)};
  }
  static std::set<LoginKey>& Keys() {
    static std::set<LoginKey> keys;
    return keys;
  }
};

void Deliver(const MailRequest& request, const MailTimeouts& timeouts) {
  SmtpJob job;
  SplitServer(request.server, request.port, job.host, job.port);

  MailContent content;
  std::vector<Mailbox> sender = AddressList(request.sender_address);
  if (sender.empty()) throw Exception("No sender address is set.");
  if (sender.size() > 1) {
    throw Exception("Invalid sender address: \"" + request.sender_address + "\"");
  }
  content.from = {AnsiToUtf8(request.sender_name), sender.front().address};
  content.to = AddressList(request.recipients);
  content.cc = AddressList(request.copy_recipients);
  AddRecipients(content.to, job.rcpt_to);
  AddRecipients(content.cc, job.rcpt_to);
  if (job.rcpt_to.empty()) throw Exception("No recipient address is set.");

  for (const std::string& path : request.attachments) {
    CheckAttachment(path);
    content.attachments.push_back({path, AnsiToUtf8(BaseName(path))});
  }
  content.subject = AnsiToUtf8(request.subject);
  content.body = AnsiToUtf8(request.body);
  content.date = std::time(nullptr);
  content.message_id = NewMessageId(content.from.address);

  job.mail_from = content.from.address;
  job.authenticate = request.authenticate;
  job.security = request.security;
  job.user = AnsiToUtf8(request.user);
  if (request.authenticate) {
    job.password = request.password_command.empty() ? AnsiToUtf8(request.password)
                                                    : PasswordFromCommand(request.password_command);
  }

  // The same reason as the refusal, and no new AUTH.
  if (job.authenticate && RefusedLogins::Known(job)) throw LoginRefusedError();
  MessageStream message(BuildMessage(content));
  try {
    SendBySmtp(job, timeouts, message);
  } catch (const LoginRefusedError&) {
    if (job.authenticate) RefusedLogins::Add(job);
    throw;
  }
}

}  // namespace

std::string MailFailureText(const std::string& message) {
  return Text1250(
             "Wystąpił błąd podczas wysyłania wiadomości e-mail.\r\n"
             "Sprawdź konfigurację aplikacji - ustawienia dotyczące wysyłania e-mail.\r\n"
             "(komunikat: ") +
         message + ")";
}

bool SendMail(const MailRequest& request, bool raise_on_failure, const MailTimeouts& timeouts) {
  try {
    Deliver(request, timeouts);
    return true;
  } catch (const std::exception& e) {
    // A console run shows no message window: the result alone reports it.
    if (raise_on_failure) throw Exception(MailFailureText(e.what()));
    return false;
  }
}

bool SendMail(const std::string& server, const std::string& sender_name,
              const std::string& sender_address, const std::string& copy_recipients,
              bool raise_on_failure, int port, const std::string& password, const std::string& user,
              bool authenticate, const std::vector<std::string>* attachments,
              const std::string& body, const std::string& subject, const std::string& recipients) {
  MailRequest request;
  request.server = server;
  request.sender_name = sender_name;
  request.sender_address = sender_address;
  request.copy_recipients = copy_recipients;
  request.port = port;
  request.password = password;
  request.user = user;
  request.authenticate = authenticate;
  if (attachments != nullptr) request.attachments = *attachments;
  request.body = body;
  request.subject = subject;
  request.recipients = recipients;
  return SendMail(request, raise_on_failure, MailTimeouts{});
}

}  // namespace zeph
