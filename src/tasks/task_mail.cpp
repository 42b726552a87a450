#include "tasks/task_mail.h"

#include <exception>

#include "config/mail_settings_check.h"
#include "mail/send_mail.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

constexpr int kSmtpPort = 25;

}  // namespace

std::string TaskMailSubject(const std::string& what, const std::string& owner,
                            const TSerwerInformacje& entry) {
  return FormatS("ZephAutomat->%s %s [%s].[%s]", {what, owner, entry.Serwer, entry.Baza});
}

std::string OwnerIdentifier(TaskRun& run) {
  if (!run.session.Exists()) return {};
  return run.session.GetParameter("IDENTYFIKATOR_WLASCICIELA");
}

MailSecurity MailSecurityOf(const MailSettings& mail) {
  MailSecurity security;
  // The load refused other values of these two already.
  ParseMailEncryption(mail.SzyfrowaniePoczty, security.encryption);
  ParseSaslMethod(mail.MetodaUwierzytelniania, security.method);
  security.ca_file = mail.CertyfikatyCA;
  if (const std::string keys = TrustAnchorConflict(mail); !keys.empty()) {
    throw Exception(Text1250("SzyfrowaniePoczty=brak wyklucza ") + keys +
                    Text1250(": zaufany certyfikat lub klucz serwera wymaga TLS; poczta nie "
                             "została wysłana"));
  }
  std::string bad;
  if (!ParsePins(mail.KluczSerweraPocztowego, security.pins, bad)) {
    throw Exception(FormatS(Text1250("KluczSerweraPocztowego: \"%s\" nie jest kluczem postaci "
                                     "sha256//<Base64 skrótu SHA-256>; poczta nie została wysłana"),
                            {bad}));
  }
  return security;
}

MailRequest TaskMailRequest(const MailSettings& mail, const std::string& subject,
                            const std::string& body, const std::vector<std::string>& attachments) {
  if (!mail.cut_address_keys.empty()) {
    throw Exception(FormatS(
        "The value of %s in serwery.ini is longer than 2047 characters and was cut on reading; "
        "no mail goes to a cut address list.",
        {mail.cut_address_keys.front()}));
  }
  MailRequest request;
  request.server = mail.SerwerPocztowy;
  request.sender_name = mail.AdresPocztowyNadawcy;
  request.sender_address = mail.AdresPocztowyNadawcy;
  request.security = MailSecurityOf(mail);
  request.port = DefaultMailPort(request.security.encryption, kSmtpPort);
  request.password = mail.Haslo;
  request.password_command = mail.PolecenieHasla;
  request.user = mail.Uzytkownik;
  request.authenticate = mail.Uwierzytelnianie != 0;
  request.attachments = attachments;
  request.body = body;
  request.subject = subject;
  request.recipients = Trim(mail.AdresPocztowyOdbiorcy);
  return request;
}

bool SendTaskMail(TaskRun& run, const std::string& subject, const std::string& body,
                  const std::vector<std::string>& attachments) {
  const MailSettings& mail = run.context.mail;
  run.context.record.MailAttempt({mail.SerwerPocztowy, mail.AdresPocztowyNadawcy,
                                  Trim(mail.AdresPocztowyOdbiorcy), subject, body, attachments});
  return SendMail(TaskMailRequest(mail, subject, body, attachments), /*raise_on_failure=*/true,
                  MailTimeouts{});
}

void RunMailStep(TaskRun& run, TaskMail& mail, const std::function<bool()>& step) {
  mail.error.clear();
  try {
    mail.sent = step();
  } catch (const std::exception& e) {
    mail.sent = false;
    mail.error = e.what();
  }
  run.context.record.Mail(mail.sent, mail.error);
}

void LogMailError(TaskRun& run, const TaskMail& mail) {
  if (!mail.sent) run.LogIndented(Text1250("  Komunikat błędu: ") + mail.error);
}

}  // namespace zeph
