#include "tasks/task_mail.h"

#include <exception>

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

bool SendTaskMail(const MailSettings& mail, const std::string& subject, const std::string& body,
                  const std::vector<std::string>& attachments) {
  if (!mail.cut_address_keys.empty()) {
    throw Exception(FormatS(
        "The value of %s in serwery.ini is longer than 2047 characters and was cut on reading; "
        "no mail goes to a cut address list.",
        {mail.cut_address_keys.front()}));
  }
  return SendMail(mail.SerwerPocztowy, mail.AdresPocztowyNadawcy, mail.AdresPocztowyNadawcy, "",
                  /*raise_on_failure=*/true, kSmtpPort, mail.Haslo, mail.Uzytkownik,
                  mail.Uwierzytelnianie != 0, &attachments, body, subject,
                  Trim(mail.AdresPocztowyOdbiorcy));
}

std::string RunMailStep(TaskRun& run, const std::function<bool()>& step) {
  std::string error;
  try {
    run.entry.WyslanoPoczte = step();
  } catch (const std::exception& e) {
    run.entry.WyslanoPoczte = false;
    error = e.what();
  }
  run.context.record.Mail(run.entry.WyslanoPoczte, error);
  return error;
}

void LogMailError(TaskRun& run, const std::string& mail_error) {
  if (!run.entry.WyslanoPoczte) run.LogIndented(Text1250("  Komunikat błędu: ") + mail_error);
}

}  // namespace zeph
