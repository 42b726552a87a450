#include "tools/check/server_list_check.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "config/ini_file.h"
#include "platform/error_text.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/tool_advice.h"
#include "platform/tool_output.h"
#include "tools/check/ini_text_scan.h"
#include "tools/check/instance_files_check.h"
#include "tools/check/key_names_check.h"
#include "tools/check/mail_check.h"
#include "util/date_time.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/files.h"
#include "util/text.h"

namespace zeph {
namespace {

constexpr const char* kFile = "serwery.ini";
constexpr const char* kMail = "Konfiguracja";

// A private directory for the copy, removed with everything in it.
class PrivateDirectory {
 public:
  PrivateDirectory() {
    path_ = platform::MakeTemporaryDirectory(platform::TemporaryDirectory() +
                                             "/zephautomat-check.XXXXXX");
  }
  ~PrivateDirectory() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  PrivateDirectory(const PrivateDirectory&) = delete;
  PrivateDirectory& operator=(const PrivateDirectory&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

void ReportEncoding(const std::string& bytes, Findings& findings) {
  IniEncoding encoding = DetectIniEncoding(bytes);
  if (encoding == IniEncoding::kWindows1250) {
    findings.Note(kFile, "encoding: Windows-1250");
    for (const LineRemark& remark : ScanWindows1250Bytes(bytes)) {
      findings.Warning(std::string(kFile) + ":" + std::to_string(remark.line), remark.text);
    }
    return;
  }
  bool utf16 = encoding == IniEncoding::kUtf16Le || encoding == IniEncoding::kUtf16Be;
  findings.Warning(kFile, std::string("encoding: ") + IniEncodingName(encoding) +
                              "; it is read and written back in it, but the program's own "
                              "encoding is Windows-1250; to convert: " +
                              platform::ServerListConversionAdvice(utf16));
}

// What the INI layer decided on while reading, line by line.
void ReportReading(const IniFile& ini, Findings& findings) {
  for (const IniWarning& warning : ini.Warnings()) {
    std::string text;
    switch (warning.kind) {
      case IniWarning::Kind::kMixedEncoding:
        text = std::string("bytes of another encoding than the file's (") +
               IniEncodingName(ini.Encoding()) +
               "): the file mixes encodings, and this line's letters are read as Windows-1250";
        break;
      case IniWarning::Kind::kUnconvertible:
        text = "holds a character Windows-1250 cannot hold; the line is kept as it is";
        break;
      case IniWarning::Kind::kCtrlZ:
        text = "a Ctrl-Z byte (0x1A) next to the text, read as a blank; remove it";
        break;
      case IniWarning::Kind::kEmptySection:
        text = "a section header with an empty name: no section; it and its keys are ignored";
        break;
      case IniWarning::Kind::kUnclosedHeader:
        text =
            "a section header without \"]\": it opens the section named by the rest of the "
            "line";
        break;
    }
    findings.Warning(std::string(kFile) + ":" + std::to_string(warning.line), text);
  }
}

// A mail value at the read limit was probably cut: the mails would fail.
void CheckLength(const std::string& value, const std::string& where, Findings& findings) {
  if (value.size() >= IniFile::kMaxValueLength) {
    findings.MailError(where, "reaches the read limit of " +
                                  std::to_string(IniFile::kMaxValueLength) +
                                  " characters; a longer value is cut");
  }
}

// A whole number or 8-bit value that does not read as written.
void CheckNumber(const IniFile& ini, const std::string& section, const std::string& key,
                 int32_t def, bool eight_bit, Findings& findings) {
  if (!ini.SectionExists(section)) return;
  const std::string missing = "\x01";
  std::string raw = ini.ReadString(section, key, missing);
  if (raw == missing || raw.empty()) return;
  int32_t value = 0;
  const std::string where = IniPlace(kFile, section, key);
  if (!IniFile::TryParseInteger(raw, value)) {
    findings.Warning(where, "\"" + AnsiToUtf8(raw) + "\" is no whole number; it reads as " +
                                std::to_string(def) + (eight_bit && def == 0 ? " (off)" : ""));
  } else if (eight_bit && (value < 0 || value > 255)) {
    int low = value & 0xFF;
    findings.Warning(where, std::to_string(value) + " keeps only its lowest 8 bits: " +
                                std::to_string(low) + (low == 0 ? " (off)" : " (on)"));
  }
}

void CheckMail(const IniFile& ini, MailSettings& mail, Findings& findings) {
  ReadMailSettings(ini, mail);
  const char* required[] = {"SerwerPocztowy", "AdresPocztowyOdbiorcy", "AdresPocztowyNadawcy"};
  const std::string* values[] = {&mail.SerwerPocztowy, &mail.AdresPocztowyOdbiorcy,
                                 &mail.AdresPocztowyNadawcy};
  for (int i = 0; i < 3; ++i) {
    if (values[i]->empty()) {
      findings.Error(IniPlace(kFile, kMail, required[i]),
                     "is empty; every run stops with \"Nie uzupełniono parametrów niezbędnych "
                     "do wysłania poczty\"");
    }
    CheckLength(*values[i], IniPlace(kFile, kMail, required[i]), findings);
  }
  CheckNumber(ini, kMail, "Uwierzytelnianie", 0, true, findings);
  if (mail.Uwierzytelnianie != 0 && mail.Uzytkownik.empty()) {
    findings.Error(IniPlace(kFile, kMail, "Uzytkownik"),
                   "is empty while Uwierzytelnianie is on; every run stops with \"Nie "
                   "uzupełniono parametrów niezbędnych do uwierzytelnienia w serwerze SMTP\"");
  }
  if (mail.Uwierzytelnianie != 0 && mail.Haslo.empty() && mail.PolecenieHasla.empty()) {
    findings.Note(IniPlace(kFile, kMail, "Haslo"),
                  "is empty while Uwierzytelnianie is on; strict servers refuse an empty password");
  }
  CheckMailSecurityKeys(mail, findings);
}

void CheckEntry(IniFile& ini, TSerwerInformacje& entry, const RunUser& user, Findings& findings) {
  const std::string& section = entry.Sekcja;
  for (const char* key : {"OstatniEksport", "OstatniEksportMHD"}) {
    std::string text = ini.ReadString(section, key, "");
    TDateTime date = 0;
    if (!text.empty() && !TryStrToDate(text, date)) {
      findings.Error(IniPlace(kFile, section, key),
                     "\"" + AnsiToUtf8(text) +
                         "\" is no date of the form yyyy.mm.dd; every run "
                         "stops with \"'" +
                         AnsiToUtf8(text) + "' is not a valid date\"");
      // Only in the private copy: the rest of the entry can then be read.
      ini.WriteString(section, key, "");
    }
  }
  ReadServerEntry(ini, entry);
  const std::pair<const char*, const std::string*> required[] = {
      {"Serwer", &entry.Serwer},
      {"Baza", &entry.Baza},
      {"Uzytkownik", &entry.Uzytkownik},
      {"KatalogRoboczy", &entry.KatalogRoboczy}};
  for (const auto& [key, value] : required) {
    if (value->empty()) {
      findings.Error(IniPlace(kFile, section, key),
                     "is empty; every run stops with \"Błędne dane dla serwera: " +
                         AnsiToUtf8(section) + "\"");
    }
  }
  for (const char* key : {"KorektaDatyKoncowej", "ZakresDanych", "IDKlasyfikacjiXML",
                          "IDKlasyWyborTowarowXML", "IDGrupyCenXML"}) {
    CheckNumber(ini, section, key,
                key == std::string("KorektaDatyKoncowej") ? -1
                : key == std::string("ZakresDanych")      ? 44
                                                          : 0,
                false, findings);
  }
  for (int e = 0; e < kEnableCount; ++e) {
    CheckNumber(ini, section, EnableKeyName(static_cast<Enable>(e)), 0, true, findings);
  }
  if (!entry.KatalogRoboczy.empty()) {
    CheckWorkingDirectory(entry.KatalogRoboczy, user, IniPlace(kFile, section, "KatalogRoboczy"),
                          findings);
  }
}

}  // namespace

CheckedServerList CheckServerList(const std::string& dir, const RunUser& user, Findings& findings) {
  CheckedServerList result;
  const std::string path = dir + kFile;
  std::string bytes;
  std::string reason;
  platform::FileInfo info;
  if (!platform::StatPath(path, info) && errno == ENOENT) {
    findings.Error(kFile,
                   "does not exist; the first run creates it with empty mail settings and "
                   "stops");
    return result;
  }
  if (!ReadWholeFile(path, bytes, reason)) {
    // Read as the user running the check: for another user, the file's
    // mode is judged with the instance's files.
    findings.Error(kFile, (user.is_current ? "user " + user.name + " cannot read it ("
                                           : "this check cannot read it (") +
                              reason + "); every run stops with \"Unable to read " +
                              platform::ToolText(path) + "\"");
    return result;
  }
  ReportEncoding(bytes, findings);

  PrivateDirectory copy_dir;
  if (copy_dir.Path().empty()) {
    findings.Error(kFile,
                   std::string("no private directory for a copy: ") + platform::ErrorText(errno));
    return result;
  }
  const std::string copy = copy_dir.Path() + "/serwery.ini";
  try {
    WriteWholeFile(copy, bytes);
    IniFile ini(copy);
    result.read = true;
    ReportReading(ini, findings);
    CheckMail(ini, result.mail, findings);
    result.holds_passwords = !result.mail.Haslo.empty();

    CheckKeyNames(ini, findings);
    for (const std::string& section : EntrySectionNames(ini)) {
      TSerwerInformacje entry;
      entry.Sekcja = section;
      CheckEntry(ini, entry, user, findings);
      result.holds_passwords = result.holds_passwords || !entry.Haslo.empty();
      result.entries.push_back(std::move(entry));
    }
  } catch (const std::exception& e) {
    std::string message = AnsiToUtf8(e.what());
    // The layer names the file by the copy's path; name the original.
    for (size_t at = message.find(copy); at != std::string::npos; at = message.find(copy)) {
      message.replace(at, copy.size(), path);
    }
    findings.Error(kFile, "cannot be loaded: " + message);
  }
  return result;
}

}  // namespace zeph
