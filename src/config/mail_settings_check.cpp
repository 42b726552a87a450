#include "config/mail_settings_check.h"

#include <algorithm>

#include "config/ini_file.h"
#include "mail/mail_security.h"
#include "util/closest_name.h"
#include "util/text.h"

namespace zeph {
namespace {

constexpr const char* kMailSection = "Konfiguracja";

bool IsKnownKey(std::string_view key, const std::vector<std::string>& known) {
  const std::string upper = UpperCase1250(std::string(key));
  return std::any_of(known.begin(), known.end(),
                     [&](const std::string& name) { return UpperCase1250(name) == upper; });
}

}  // namespace

std::string TrustAnchorConflict(const MailSettings& mail) {
  MailEncryption encryption;
  if (!ParseMailEncryption(mail.SzyfrowaniePoczty, encryption) ||
      encryption != MailEncryption::kNone) {
    return {};
  }
  std::string keys = mail.CertyfikatyCA.empty() ? "" : "CertyfikatyCA";
  if (!mail.KluczSerweraPocztowego.empty()) {
    keys += (keys.empty() ? "" : ", ") + std::string("KluczSerweraPocztowego");
  }
  return keys;
}

std::vector<std::string> MailSettingsWarnings(const IniFile& ini, const MailSettings& mail) {
  std::vector<std::string> warnings;
  const std::vector<std::string>& known = MailKeyNames();
  for (const std::string_view key : ini.KeyNamesOf(kMailSection)) {
    if (IsKnownKey(key, known)) continue;
    const std::string closest = ClosestName(key, known);
    if (closest.empty()) continue;
    warnings.push_back("serwery.ini: [Konfiguracja] " + std::string(key) +
                       " is no key and is not read; did you mean " + closest + "? " + closest +
                       " keeps its value");
  }
  if (const std::string conflict = TrustAnchorConflict(mail); !conflict.empty()) {
    warnings.push_back("serwery.ini: [Konfiguracja] SzyfrowaniePoczty=brak together with " +
                       conflict +
                       ": a configured trust anchor needs TLS, and brak forbids it; "
                       "every mail of this run fails");
  }
  return warnings;
}

}  // namespace zeph
