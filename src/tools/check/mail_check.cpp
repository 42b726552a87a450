#include "tools/check/mail_check.h"

#include <strings.h>

#include <chrono>
#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>

#include "config/mail_settings_check.h"
#include "mail/mail_security.h"
#include "mail/password_command.h"
#include "mail/smtp_transport.h"
#include "tasks/task_mail.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/files.h"
#include "util/text.h"

namespace zeph {
namespace {

constexpr const char* kFile = "serwery.ini";
constexpr const char* kMail = "Konfiguracja";
constexpr long kMailTimeoutSeconds = 30;
constexpr int kExpiryWarningDays = 14;
constexpr int kPasswordSeconds = 60;  // as long as a run waits for PolecenieHasla

std::string Place(const char* key) {
  return IniPlace(kFile, kMail, key);
}

std::string Quoted(const std::string& value_1250) {
  return "\"" + AnsiToUtf8(value_1250) + "\"";
}

void CheckCaFile(const MailSettings& mail, const MailSecurity& security, Findings& findings) {
  if (mail.CertyfikatyCA.empty()) return;
  const std::string where = Place("CertyfikatyCA");
  std::string pem;
  std::string reason;
  if (!ReadWholeFile(mail.CertyfikatyCA, pem, reason)) {
    findings.MailError(where, Quoted(mail.CertyfikatyCA) + " cannot be read: " + reason +
                                  "; the tasks run, and every mail fails before it is sent");
  } else if (pem.find("-----BEGIN CERTIFICATE-----") == std::string::npos) {
    findings.MailError(where, Quoted(mail.CertyfikatyCA) +
                                  " holds no PEM certificate (-----BEGIN CERTIFICATE-----); the "
                                  "tasks run, and every mail fails before it is sent");
  }
  if (!security.pins.empty()) {
    findings.Note(where,
                  "not used: with KluczSerweraPocztowego the pinned key is checked "
                  "instead of the chain");
  } else if (security.encryption == MailEncryption::kAuto) {
    findings.Note(where,
                  "SzyfrowaniePoczty=auto with CertyfikatyCA: STARTTLS is required and "
                  "the certificate is checked against this file, as with starttls");
  }
}

// The methods of the EHLO reply's AUTH line ("AUTH LOGIN PLAIN"), blank-separated.
std::string OfferedMethods(const SmtpSessionInfo& info) {
  for (const std::string& extension : info.extensions) {
    const std::string upper = UpperCase1250(extension);
    if (upper.rfind("AUTH", 0) == 0 && upper.size() > 5 && (upper[4] == ' ' || upper[4] == '=')) {
      return Trim(upper.substr(5));
    }
  }
  return {};
}

bool Offers(const std::string& methods, const char* method) {
  return (" " + methods + " ").find(std::string(" ") + method + " ") != std::string::npos;
}

// "Expire date" of libcurl's certificate fields: OpenSSL's "Jan  2 03:04:05
// 2027 GMT" or the "2027-01-02 03:04:05" of its other backends, in UTC.
// The standard library's parser and calendar: the C library's differ
// between the systems.
bool ParseExpiry(const std::string& text, std::chrono::system_clock::time_point& out) {
  std::tm tm{};
  bool parsed = false;
  for (const char* format : {"%b %d %H:%M:%S %Y", "%Y-%m-%d %H:%M:%S"}) {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    tm = {};
    in >> std::get_time(&tm, format);
    parsed = !in.fail();
    if (parsed) break;
  }
  if (!parsed) return false;
  const std::chrono::year_month_day date{std::chrono::year{tm.tm_year + 1900},
                                         std::chrono::month{static_cast<unsigned>(tm.tm_mon + 1)},
                                         std::chrono::day{static_cast<unsigned>(tm.tm_mday)}};
  if (!date.ok()) return false;
  out = std::chrono::sys_days{date} + std::chrono::hours{tm.tm_hour} +
        std::chrono::minutes{tm.tm_min} + std::chrono::seconds{tm.tm_sec};
  return true;
}

// A field of libcurl's certificate information by its name, whose case
// differs between its TLS backends ("Expire date", "Expire Date").
std::string Field(const SmtpSessionInfo& info, const std::string& name) {
  for (const std::string& field : info.certificate) {
    if (field.size() > name.size() && field[name.size()] == ':' &&
        strncasecmp(field.c_str(), name.c_str(), name.size()) == 0) {
      return Trim(field.substr(name.size() + 1));
    }
  }
  return {};
}

void ReportTls(const SmtpSessionInfo& info, Findings& findings) {
  const std::string where = Place("SzyfrowaniePoczty");
  findings.Note(
      where, "TLS " + info.tls_version + "; certificate subject: " + Field(info, "Subject") +
                 "; issuer: " + Field(info, "Issuer") + "; expires: " + Field(info, "Expire date"));
  std::chrono::system_clock::time_point expiry;
  if (!ParseExpiry(Field(info, "Expire date"), expiry)) return;
  const auto left = expiry - std::chrono::system_clock::now();
  if (left < std::chrono::seconds{0}) {
    // Only a session that does not check the certificate (auto, or a pin) got here.
    findings.Warning(where,
                     "the server's certificate has expired (" + Field(info, "Expire date") + ")");
  } else if (left < std::chrono::days{kExpiryWarningDays}) {
    findings.Warning(where, "the server's certificate expires within " +
                                std::to_string(kExpiryWarningDays) + " days (" +
                                Field(info, "Expire date") + ")");
  }
}

// Under `auto` the certificate is taken as it is: would it verify if the
// mode were `starttls`? A second session, without a login, says.
void ReportVerification(const SmtpJob& job, const MailTimeouts& timeouts, Findings& findings) {
  const std::string where = Place("SzyfrowaniePoczty");
  if (job.security.TlsRequired()) {
    findings.Note(where, job.security.pins.empty()
                             ? "the certificate's chain and name verify"
                             : "the server's key matches KluczSerweraPocztowego");
    return;
  }
  SmtpJob verified = job;
  verified.security.encryption = MailEncryption::kStartTls;
  verified.authenticate = false;
  SmtpSessionInfo info;
  try {
    ProbeBySmtp(verified, timeouts, info);
    findings.Note(where,
                  "the certificate's chain and name verify: SzyfrowaniePoczty=starttls would "
                  "also keep a man in the middle out");
  } catch (const std::exception& e) {
    findings.Warning(where, "auto takes the certificate unchecked; it would not verify: " +
                                AnsiToUtf8(e.what()));
    if (!info.hint.empty()) findings.Note(Place("SerwerPocztowy"), info.hint);
  }
}

void ReportLogin(const MailSettings& mail, const SmtpJob& job, const SmtpSessionInfo& info,
                 Findings& findings) {
  const std::string where = Place("Uwierzytelnianie");
  const std::string methods = OfferedMethods(info);
  findings.Note(Place("MetodaUwierzytelniania"), methods.empty()
                                                     ? "the server offers no login methods"
                                                     : "login methods offered: " + methods);
  if (mail.Uwierzytelnianie == 0) return;
  const char* method = SaslMethodName(job.security.method);
  const bool password_sent = info.login_accepted || Offers(methods, method);
  if (!info.tls && password_sent) {
    findings.Warning(where,
                     "the password would cross the network in clear text: the "
                     "session has no TLS (SzyfrowaniePoczty=starttls or tls prevents it)");
  }
  if (info.login_accepted) {
    findings.Note(
        where, "the login of " + Quoted(mail.Uzytkownik) + " by AUTH " + method + " is accepted");
  } else if (!password_sent) {
    findings.MailError(Place("SerwerPocztowy"),
                       std::string("the server offers no AUTH ") + method +
                           " while Uwierzytelnianie is on; every mail fails with \"Błąd "
                           "autentykacji (TidSMTP.Authenticate).\"");
  } else {
    findings.MailError(where, "the server refused the login of " + Quoted(mail.Uzytkownik) +
                                  " by AUTH " + method + ": " + info.last_reply +
                                  "; every mail fails with \"Błąd autentykacji "
                                  "(TidSMTP.Authenticate).\"");
  }
}

}  // namespace

void CheckMailSecurityKeys(const MailSettings& mail, Findings& findings) {
  MailSecurity security;
  if (!ParseMailEncryption(mail.SzyfrowaniePoczty, security.encryption)) {
    findings.Error(Place("SzyfrowaniePoczty"),
                   Quoted(mail.SzyfrowaniePoczty) + " is none of " + MailEncryptionValues() +
                       "; every run stops with \"Nieprawidłowa wartość parametru "
                       "SzyfrowaniePoczty\"");
  }
  if (!ParseSaslMethod(mail.MetodaUwierzytelniania, security.method)) {
    findings.Error(Place("MetodaUwierzytelniania"),
                   Quoted(mail.MetodaUwierzytelniania) + " is none of " + SaslMethodValues() +
                       "; every run stops with \"Nieprawidłowa wartość parametru "
                       "MetodaUwierzytelniania\"");
  }
  std::string bad;
  if (!ParsePins(mail.KluczSerweraPocztowego, security.pins, bad)) {
    findings.MailError(Place("KluczSerweraPocztowego"),
                       Quoted(bad) +
                           " is no pin of the form sha256//<Base64 of 32 bytes>; the tasks run, "
                           "and every mail fails before connecting");
  }
  if (const std::string keys = TrustAnchorConflict(mail); !keys.empty()) {
    findings.MailError(Place("SzyfrowaniePoczty"),
                       "brak together with " + keys +
                           ": a configured trust anchor needs TLS, and brak forbids it; the "
                           "tasks run, and every mail fails before it is sent");
  } else {
    CheckCaFile(mail, security, findings);
  }
  if (!mail.PolecenieHasla.empty() && !mail.Haslo.empty()) {
    findings.Note(Place("Haslo"), "is not used: PolecenieHasla gives the password");
  }
  if (!mail.PolecenieHasla.empty() && mail.Uwierzytelnianie == 0) {
    findings.Note(Place("PolecenieHasla"), "is not run: Uwierzytelnianie is off");
  }
  if (mail.Uwierzytelnianie != 0 && security.encryption == MailEncryption::kNone) {
    findings.Warning(Place("SzyfrowaniePoczty"),
                     "brak with Uwierzytelnianie on: the password crosses the network in clear "
                     "text");
  }
}

bool NeedsPasswordCommand(const MailSettings& mail) {
  return mail.Uwierzytelnianie != 0 && !mail.PolecenieHasla.empty();
}

void CheckMailServer(const MailSettings& mail, const platform::RunUser& user, Findings& findings) {
  const std::string where = Place("SerwerPocztowy");
  if (mail.SerwerPocztowy.empty()) return;  // reported already
  SmtpJob job;
  try {
    job.security = MailSecurityOf(mail);
  } catch (const Exception&) {
    return;  // a malformed pin: reported already, and no mail would connect
  }
  try {
    SplitServer(mail.SerwerPocztowy, DefaultMailPort(job.security.encryption, 25), job.host,
                job.port);
  } catch (const std::exception& e) {
    findings.MailError(where, AnsiToUtf8(e.what()) + "; every mail of the run fails");
    return;
  }
  job.authenticate = mail.Uwierzytelnianie != 0;
  job.user = AnsiToUtf8(mail.Uzytkownik);
  if (job.authenticate) {
    try {
      // As the user the run is started as: the command's files are that user's.
      job.password = mail.PolecenieHasla.empty()
                         ? AnsiToUtf8(mail.Haslo)
                         : RunPasswordCommandAs(user, mail.PolecenieHasla, kPasswordSeconds);
    } catch (const std::exception& e) {
      findings.MailError(Place("PolecenieHasla"),
                         AnsiToUtf8(e.what()) + "; every mail that logs in fails");
      return;
    }
  }
  MailTimeouts timeouts;
  timeouts.connect_seconds = kMailTimeoutSeconds;
  timeouts.response_seconds = kMailTimeoutSeconds;
  const std::string address = job.host + ":" + std::to_string(job.port);
  SmtpSessionInfo info;
  try {
    ProbeBySmtp(job, timeouts, info);
  } catch (const std::exception& e) {
    // A refused login is told with what the session saw up to it.
    const bool login_refused = info.ehlo_seen && job.authenticate && !info.login_accepted &&
                               dynamic_cast<const LoginRefusedError*>(&e) != nullptr;
    if (!login_refused) {
      findings.MailError(where,
                         (info.ehlo_seen || info.tls ? "" : "cannot connect to " + address + ": ") +
                             AnsiToUtf8(e.what()) + "; every mail of the run fails");
      if (!info.hint.empty()) findings.Note(where, info.hint);
      // A session that failed after its handshake still showed its certificate.
      if (info.tls) ReportTls(info, findings);
      return;
    }
  }
  findings.Note(where, address + " answers EHLO");
  if (info.tls) {
    ReportTls(info, findings);
    ReportVerification(job, timeouts, findings);
  } else if (job.security.encryption == MailEncryption::kAuto) {
    findings.Note(Place("SzyfrowaniePoczty"),
                  "the server offers no STARTTLS: mail goes in clear text");
  }
  ReportLogin(mail, job, info, findings);
}

}  // namespace zeph
