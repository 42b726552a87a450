// What in [Konfiguracja] a run would otherwise pass over in silence, told
// on standard error and in the run record at every run: a key a letter or
// two away from a mail key (SzyfrowaniePoczy leaves SzyfrowaniePoczty at
// auto), and a trust anchor that SzyfrowaniePoczty=brak would ignore.
#pragma once

#include <string>
#include <vector>

#include "config/server_list.h"

namespace zeph {

class IniFile;

// With SzyfrowaniePoczty=brak, the trust anchor keys that are set:
// "CertyfikatyCA", "KluczSerweraPocztowego" or both, joined by ", "; empty
// otherwise. A configured trust anchor is never dropped for a plain
// session: every mail of such a run fails, naming the keys.
std::string TrustAnchorConflict(const MailSettings& mail);

// The warnings about the mail settings of `ini` as it was loaded, one text
// each (Windows-1250).
std::vector<std::string> MailSettingsWarnings(const IniFile& ini, const MailSettings& mail);

}  // namespace zeph
