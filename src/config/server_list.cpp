#include "config/server_list.h"

#include <algorithm>

#include "config/ini_file.h"
#include "mail/mail_security.h"
#include "platform/file_system.h"
#include "util/error.h"
#include "util/files.h"
#include "util/large_pages.h"
#include "util/text.h"

namespace zeph {
namespace {

constexpr const char* kMailSection = "Konfiguracja";

constexpr const char* kEnableNames[kEnableCount] = {
    "EksportDoPelkTessaro",
    "RaportDzienny",
    "WymianaDanychSpr",
    "SynchronizacjaCSK",
    "EksportDoMHD",
    "ZapisSlownikowDoXML",
    "EksportTowarowDoSprawdzarek",
    "EksportWydrukowDoPH",
    "ImportBazTowarowychZPelkex",
    "ImportKlasTowZewn",
    "ImportTylkoKlasTowZewn",
    "ImportDefPaybackZewn",
    "ImportPrzelicznikow",
    "ImportDefInwestycji",
    "ImportGrafikiDF",
    "EksportDokWydDoPelkex",
    "GefcoEksport",
    "GefcoImportPotwierdzen",
    "GefcoImportStanow",
    "GHWymianaDanych",
    "CaolinEksport",
    "CaolinImport",
    "ImportEFakturDoPoczekalni",
    "ImportDokZeArchiwumDoPoczekalni",
    "ImportZaplatFK",
    "AktualizacjaTempaSprzedazyTowarow",
    "MantisEksportDostawcow",
    "MantisEksportOdbiorcow",
    "MantisEksportTowarow",
    "MantisImport",
    "MantisECEksportDostawcow",
    "MantisECEksportOdbiorcow",
    "MantisECEksportTowarow",
    "MantisECImport",
    "ImportDatDostawZUPS",
    "EksportFakturDoSystemuEDokumenty",
    "HrcEksportKth",
    "HrcImportDanychOSprzedazyStarterow",
    "FiskalizacjaWPuliStanowisk",
    "ImportDatDostawZPekaes",
    "DrukujDokumentyMagazynowe",
    "ImportDatDostawZPocztyPolskiej",
    "ImportDatDostawZInPost",
    "WymianaZTPP",
    "ImportDatDostawZGeis",
    "RoveseImportStanMag",
    "ImportDatDostawZInPostShipX",
    "ImportParagonowZPoczekalni",
};

// One key of an entry section. Reading in this order also satisfies the
// defaults that depend on earlier keys (Uzytkownik on Serwer,
// IDKlasyWyborTowarowXML on IDKlasyfikacjiXML).
struct EntryKey {
  enum Kind { kText, kDate, kNumber, kEnable } kind;
  std::string_view name;
  std::string TSerwerInformacje::*text = nullptr;
  TDateTime TSerwerInformacje::*date = nullptr;
  int32_t TSerwerInformacje::*number = nullptr;
  Enable enable = Enable::EksportDoPelkTessaro;
};

EntryKey Text(const char* name, std::string TSerwerInformacje::*field) {
  return {EntryKey::kText, name, field, nullptr, nullptr};
}
EntryKey Date(const char* name, TDateTime TSerwerInformacje::*field) {
  return {EntryKey::kDate, name, nullptr, field, nullptr};
}
EntryKey Number(const char* name, int32_t TSerwerInformacje::*field) {
  return {EntryKey::kNumber, name, nullptr, nullptr, field};
}
EntryKey On(Enable e) {
  return {EntryKey::kEnable, EnableKeyName(e), nullptr, nullptr, nullptr, e};
}

// Keys of an entry section in the order they are written back.
const std::vector<EntryKey>& EntryKeys() {
  using S = TSerwerInformacje;
  static const std::vector<EntryKey> keys = {
      Text("Serwer", &S::Serwer),
      Text("Baza", &S::Baza),
      Text("Uzytkownik", &S::Uzytkownik),
      Text("Haslo", &S::Haslo),
      Date("OstatniEksport", &S::OstatniEksport),
      Date("OstatniEksportMHD", &S::OstatniEksportMHD),
      Text("KatalogRoboczy", &S::KatalogRoboczy),
      Number("KorektaDatyKoncowej", &S::KorektaDatyKoncowej),
      Number("ZakresDanych", &S::ZakresDanych),
      On(Enable::EksportDoPelkTessaro),
      On(Enable::RaportDzienny),
      On(Enable::SynchronizacjaCSK),
      On(Enable::WymianaDanychSpr),
      Text("ZamknietyMiesiac", &S::ZamknietyMiesiac),
      Text("RaportDziennyKonfiguracja", &S::RaportDziennyKonfiguracja),
      On(Enable::EksportDoMHD),
      On(Enable::ZapisSlownikowDoXML),
      Number("IDKlasyfikacjiXML", &S::IDKlasyfikacjiXML),
      Number("IDKlasyWyborTowarowXML", &S::IDKlasyWyborTowarowXML),
      Number("IDGrupyCenXML", &S::IDGrupyCenXML),
      On(Enable::EksportTowarowDoSprawdzarek),
      On(Enable::EksportWydrukowDoPH),
      On(Enable::ImportBazTowarowychZPelkex),
      On(Enable::ImportKlasTowZewn),
      On(Enable::ImportTylkoKlasTowZewn),
      On(Enable::ImportDefPaybackZewn),
      On(Enable::ImportPrzelicznikow),
      On(Enable::ImportDefInwestycji),
      On(Enable::ImportGrafikiDF),
      On(Enable::EksportDokWydDoPelkex),
      On(Enable::CaolinImport),
      On(Enable::CaolinEksport),
      On(Enable::GefcoEksport),
      On(Enable::GefcoImportPotwierdzen),
      On(Enable::GefcoImportStanow),
      On(Enable::ImportEFakturDoPoczekalni),
      On(Enable::ImportDokZeArchiwumDoPoczekalni),
      On(Enable::ImportZaplatFK),
      On(Enable::AktualizacjaTempaSprzedazyTowarow),
      On(Enable::MantisEksportDostawcow),
      On(Enable::MantisEksportOdbiorcow),
      On(Enable::MantisEksportTowarow),
      On(Enable::MantisImport),
      On(Enable::MantisECEksportDostawcow),
      On(Enable::MantisECEksportOdbiorcow),
      On(Enable::MantisECEksportTowarow),
      On(Enable::MantisECImport),
      On(Enable::ImportDatDostawZUPS),
      On(Enable::EksportFakturDoSystemuEDokumenty),
      On(Enable::HrcEksportKth),
      On(Enable::HrcImportDanychOSprzedazyStarterow),
      On(Enable::FiskalizacjaWPuliStanowisk),
      On(Enable::ImportDatDostawZPekaes),
      On(Enable::DrukujDokumentyMagazynowe),
      On(Enable::ImportDatDostawZPocztyPolskiej),
      On(Enable::ImportDatDostawZInPost),
      On(Enable::WymianaZTPP),
      On(Enable::ImportDatDostawZGeis),
      On(Enable::RoveseImportStanMag),
      On(Enable::ImportDatDostawZInPostShipX),
      On(Enable::ImportParagonowZPoczekalni),
      On(Enable::GHWymianaDanych),
  };
  return keys;
}

const IniKeySet& EntryKeySet() {
  static const IniKeySet set(EntryKeyNames());
  return set;
}

// The day before 1900-01-01: an entry never exported.
constexpr TDateTime kNoDate = 1;

// Dates repeat from entry to entry (all exported up to the same day): the
// last conversions of each of the entry's date keys are kept, both ways.
// The two ways are kept apart: reading follows the date format in force,
// writing drops the time of day.
class DateMemo {
 public:
  TDateTime Read(const std::string& text) {
    for (const Pair& pair : read_.pairs) {
      if (pair.valid && pair.text == text) return pair.value;
    }
    TDateTime value = StrToDate(text);  // throws for no date: nothing kept
    return read_.Keep(value, text).value;
  }
  const std::string& Write(TDateTime value) {
    for (const Pair& pair : written_.pairs) {
      if (pair.valid && pair.value == value) return pair.text;
    }
    return written_.Keep(value, DateToIniText(value)).text;
  }

 private:
  struct Pair {
    bool valid = false;
    TDateTime value = 0;
    std::string text;
  };
  struct Recent {
    std::array<Pair, 2> pairs;  // an entry has two date keys
    size_t next = 0;
    const Pair& Keep(TDateTime value, const std::string& text) {
      Pair& pair = pairs[next];
      next = (next + 1) % pairs.size();
      pair = {true, value, text};
      return pair;
    }
  };
  Recent read_;
  Recent written_;
};

// Reads the entry's keys from their lines (IniFile::FindKeys).
void ReadEntryKeys(const IniFile& ini, const std::vector<uint32_t>& lines, DateMemo& dates,
                   TSerwerInformacje& entry) {
  const std::vector<EntryKey>& keys = EntryKeys();
  for (size_t i = 0; i < keys.size(); ++i) {
    const EntryKey& key = keys[i];
    const uint32_t line = lines[i];
    switch (key.kind) {
      case EntryKey::kText: {
        std::string& field = entry.*key.text;
        field = ini.ReadKey(line, key.name, "");
        if (key.text == &TSerwerInformacje::Uzytkownik && field.empty() && !entry.Serwer.empty()) {
          field = Text1250("Księgowy");
        }
        // The working directory ends in a separator: file names are appended
        // to it. The system's own is added ('\' on Windows, as its users
        // write paths); on Windows one that ends in '\' already has one.
        if (key.text == &TSerwerInformacje::KatalogRoboczy && !field.empty() &&
            !platform::IsPathSeparator(field.back())) {
          field += platform::kPathSeparator;
        }
        break;
      }
      case EntryKey::kDate: {
        std::string text = ini.ReadKey(line, key.name, "");
        entry.*key.date = text.empty() ? kNoDate : dates.Read(text);
        break;
      }
      case EntryKey::kNumber: {
        int32_t def = key.number == &TSerwerInformacje::IDKlasyWyborTowarowXML
                          ? entry.IDKlasyfikacjiXML
                          : TSerwerInformacje{}.*key.number;
        entry.*key.number = ini.ReadKeyInteger(line, key.name, def);
        break;
      }
      case EntryKey::kEnable:
        entry.enable[static_cast<int>(key.enable)] =
            static_cast<uint8_t>(ini.ReadKeyInteger(line, key.name, 0));
        break;
    }
  }
  entry.Eksportowano = false;
  entry.BylyPliki = false;
}

// Writes every key of the entry back; `lines` as ReadEntryKeys had them.
void WriteEntryKeys(IniFile& ini, const std::vector<uint32_t>& lines, DateMemo& dates,
                    const TSerwerInformacje& entry) {
  const std::vector<EntryKey>& keys = EntryKeys();
  for (size_t i = 0; i < keys.size(); ++i) {
    const EntryKey& key = keys[i];
    switch (key.kind) {
      case EntryKey::kText:
        ini.WriteKey(entry.Sekcja, lines[i], key.name, entry.*key.text);
        break;
      case EntryKey::kDate:
        ini.WriteKey(entry.Sekcja, lines[i], key.name, dates.Write(entry.*key.date));
        break;
      case EntryKey::kNumber:
        ini.WriteKeyInteger(entry.Sekcja, lines[i], key.name, entry.*key.number);
        break;
      case EntryKey::kEnable:
        ini.WriteKeyInteger(entry.Sekcja, lines[i], key.name, entry.Enabled(key.enable));
        break;
    }
  }
}

}  // namespace

void ReadServerEntry(const IniFile& ini, TSerwerInformacje& entry) {
  std::vector<uint32_t> lines;
  ini.FindKeys(entry.Sekcja, EntryKeySet(), lines);
  DateMemo dates;
  ReadEntryKeys(ini, lines, dates, entry);
}

namespace {

// `known_directory` is the last working directory found or made; entries
// that share it are not checked again.
void CheckEntry(const TSerwerInformacje& entry, std::string& known_directory) {
  if (entry.Serwer.empty() || entry.Baza.empty() || entry.Uzytkownik.empty() ||
      entry.KatalogRoboczy.empty()) {
    throw EWyjatek(Text1250("Błędne dane dla serwera: %s"), {entry.Sekcja}, 0);
  }
  // A relative directory is taken against the current directory.
  if (entry.KatalogRoboczy == known_directory) return;
  if (!DirectoryExists(entry.KatalogRoboczy) && !ForceDirectories(entry.KatalogRoboczy)) {
    throw EWyjatek(Text1250("Nie udało się utworzyć katalogu: %s"), {entry.KatalogRoboczy}, 0);
  }
  known_directory = entry.KatalogRoboczy;
}

std::string BadMailValue() {
  return Text1250("Nieprawidłowa wartość parametru %s: \"%s\" (dozwolone wartości: %s)");
}

void LoadMailSettings(IniFile& ini, MailSettings& mail) {
  ReadMailSettings(ini, mail);

  ini.WriteString(kMailSection, "SerwerPocztowy", mail.SerwerPocztowy);
  ini.WriteString(kMailSection, "AdresPocztowyOdbiorcy", mail.AdresPocztowyOdbiorcy);
  ini.WriteString(kMailSection, "AdresPocztowyNadawcy", mail.AdresPocztowyNadawcy);
  ini.WriteInteger(kMailSection, "Uwierzytelnianie", mail.Uwierzytelnianie);
  ini.WriteString(kMailSection, "Uzytkownik", mail.Uzytkownik);
  ini.WriteString(kMailSection, "Haslo", mail.Haslo);

  if (mail.SerwerPocztowy.empty() || mail.AdresPocztowyOdbiorcy.empty() ||
      mail.AdresPocztowyNadawcy.empty()) {
    throw EWyjatek(
        Text1250("Nie uzupełniono parametrów niezbędnych do wysłania poczty: %s, %s, %s"),
        {"SerwerPocztowy", "AdresPocztowyOdbiorcy", "AdresPocztowyNadawcy"}, 0);
  }
  if (mail.Uwierzytelnianie != 0 && mail.Uzytkownik.empty()) {
    throw EWyjatek(
        Text1250(
            "Nie uzupełniono parametrów niezbędnych do uwierzytelnienia w serwerze SMTP: %s, %s"),
        {"Uzytkownik", "Haslo"}, 0);
  }
  // A mistyped mode must not leave the mail less protected than meant.
  MailEncryption encryption;
  if (!ParseMailEncryption(mail.SzyfrowaniePoczty, encryption)) {
    throw EWyjatek(BadMailValue(),
                   {"SzyfrowaniePoczty", mail.SzyfrowaniePoczty, MailEncryptionValues()}, 0);
  }
  SaslMethod method;
  if (!ParseSaslMethod(mail.MetodaUwierzytelniania, method)) {
    throw EWyjatek(BadMailValue(),
                   {"MetodaUwierzytelniania", mail.MetodaUwierzytelniania, SaslMethodValues()}, 0);
  }
}

// The index of the mail settings' section in `sections`, or their number.
size_t MailSectionIndex(const std::vector<std::string>& sections) {
  const std::string mail_section = UpperCase1250(kMailSection);
  auto mail = std::find_if(sections.begin(), sections.end(), [&](const std::string& name) {
    return name.size() == mail_section.size() && UpperCase1250(name) == mail_section;
  });
  return static_cast<size_t>(mail - sections.begin());
}

void LoadEntries(IniFile& ini, std::vector<TSerwerInformacje>& entries) {
  const std::vector<std::string>& sections = ini.ReadSections();
  const size_t count = sections.size();  // entries add no sections
  const size_t mail = MailSectionIndex(sections);
  entries.clear();
  entries.reserve(count);
  AdviseLargePages(entries.data(), entries.capacity() * sizeof(TSerwerInformacje));
  entries.resize(mail < count ? count - 1 : count);
  std::string known_directory;
  std::vector<uint32_t> lines;
  DateMemo dates;
  for (size_t i = 0; i < count; ++i) {
    if (i == mail) continue;
    TSerwerInformacje& entry = entries[i < mail ? i : i - 1];
    entry.Sekcja = sections[i];
    ini.FindKeys(entry.Sekcja, EntryKeySet(), lines);
    ReadEntryKeys(ini, lines, dates, entry);
    WriteEntryKeys(ini, lines, dates, entry);
    CheckEntry(entry, known_directory);
  }
}

}  // namespace

const char* EnableKeyName(Enable e) {
  return kEnableNames[static_cast<int>(e)];
}

std::vector<std::string> EntryKeyNames() {
  std::vector<std::string> names;
  for (const EntryKey& key : EntryKeys()) names.emplace_back(key.name);
  return names;
}

void ReadMailSettings(const IniFile& ini, MailSettings& mail) {
  mail.SerwerPocztowy = ini.ReadString(kMailSection, "SerwerPocztowy", "");
  mail.AdresPocztowyOdbiorcy = ini.ReadString(kMailSection, "AdresPocztowyOdbiorcy", "");
  mail.AdresPocztowyNadawcy = ini.ReadString(kMailSection, "AdresPocztowyNadawcy", "");
  mail.Uwierzytelnianie =
      static_cast<uint8_t>(ini.ReadInteger(kMailSection, "Uwierzytelnianie", 0));
  mail.Uzytkownik = ini.ReadString(kMailSection, "Uzytkownik", "");
  mail.Haslo = ini.ReadString(kMailSection, "Haslo", "");
  mail.SzyfrowaniePoczty = ini.ReadString(kMailSection, "SzyfrowaniePoczty", "");
  mail.CertyfikatyCA = ini.ReadString(kMailSection, "CertyfikatyCA", "");
  mail.KluczSerweraPocztowego = ini.ReadString(kMailSection, "KluczSerweraPocztowego", "");
  mail.MetodaUwierzytelniania = ini.ReadString(kMailSection, "MetodaUwierzytelniania", "");
  mail.PolecenieHasla = ini.ReadString(kMailSection, "PolecenieHasla", "");
  mail.cut_address_keys.clear();
  for (const char* key : {"AdresPocztowyOdbiorcy", "AdresPocztowyNadawcy"}) {
    if (ini.ValueIsCut(kMailSection, key)) mail.cut_address_keys.push_back(key);
  }
}

const std::vector<std::string>& MailKeyNames() {
  static const std::vector<std::string> names = {"SerwerPocztowy",
                                                 "AdresPocztowyOdbiorcy",
                                                 "AdresPocztowyNadawcy",
                                                 "Uwierzytelnianie",
                                                 "Uzytkownik",
                                                 "Haslo",
                                                 "SzyfrowaniePoczty",
                                                 "CertyfikatyCA",
                                                 "KluczSerweraPocztowego",
                                                 "MetodaUwierzytelniania",
                                                 "PolecenieHasla"};
  return names;
}

std::vector<std::string> EntrySectionNames(const IniFile& ini) {
  std::vector<std::string> sections = ini.ReadSections();
  size_t mail = MailSectionIndex(sections);
  if (mail < sections.size()) sections.erase(sections.begin() + static_cast<ptrdiff_t>(mail));
  return sections;
}

void LoadServerList(const std::string& path, MailSettings& mail,
                    std::vector<TSerwerInformacje>& entries) {
  IniFile ini(path);
  LoadServerList(ini, mail, entries);
}

void LoadServerList(IniFile& ini, MailSettings& mail, std::vector<TSerwerInformacje>& entries) {
  try {
    LoadMailSettings(ini, mail);
    LoadEntries(ini, entries);
  } catch (...) {
    // What was normalised before the failure is kept; the first error wins.
    try {
      ini.Flush();
    } catch (const std::exception&) {
    }
    throw;
  }
  ini.Flush();
}

}  // namespace zeph
