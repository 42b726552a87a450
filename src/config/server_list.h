// The server list serwery.ini: mail settings in section Konfiguracja and one
// database entry per other section.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "util/date_time.h"

namespace zeph {

class IniFile;

// Mail settings of section Konfiguracja.
struct MailSettings {
  std::string SerwerPocztowy;
  std::string AdresPocztowyOdbiorcy;
  std::string AdresPocztowyNadawcy;
  uint8_t Uwierzytelnianie = 0;
  std::string Uzytkownik;
  std::string Haslo;
  // Optional keys, never written back: a file without them stays as it is.
  std::string SzyfrowaniePoczty;       // auto (empty), starttls, tls, brak
  std::string CertyfikatyCA;           // PEM file of trusted CAs
  std::string KluczSerweraPocztowego;  // sha256// pins separated by ';'
  std::string MetodaUwierzytelniania;  // LOGIN (empty), PLAIN, XOAUTH2
  std::string PolecenieHasla;          // shell command printing the password
  // Address keys whose value the read limit cut: never mailed to.
  std::vector<std::string> cut_address_keys;
};

// Enable values of an entry, in the order the entry holds them.
enum class Enable : int {
  EksportDoPelkTessaro,
  RaportDzienny,
  WymianaDanychSpr,
  SynchronizacjaCSK,
  EksportDoMHD,
  ZapisSlownikowDoXML,
  EksportTowarowDoSprawdzarek,
  EksportWydrukowDoPH,
  ImportBazTowarowychZPelkex,
  ImportKlasTowZewn,
  ImportTylkoKlasTowZewn,
  ImportDefPaybackZewn,
  ImportPrzelicznikow,
  ImportDefInwestycji,
  ImportGrafikiDF,
  EksportDokWydDoPelkex,
  GefcoEksport,
  GefcoImportPotwierdzen,
  GefcoImportStanow,
  GHWymianaDanych,
  CaolinEksport,
  CaolinImport,
  ImportEFakturDoPoczekalni,
  ImportDokZeArchiwumDoPoczekalni,
  ImportZaplatFK,
  AktualizacjaTempaSprzedazyTowarow,
  MantisEksportDostawcow,
  MantisEksportOdbiorcow,
  MantisEksportTowarow,
  MantisImport,
  MantisECEksportDostawcow,
  MantisECEksportOdbiorcow,
  MantisECEksportTowarow,
  MantisECImport,
  ImportDatDostawZUPS,
  EksportFakturDoSystemuEDokumenty,
  HrcEksportKth,
  HrcImportDanychOSprzedazyStarterow,
  FiskalizacjaWPuliStanowisk,
  ImportDatDostawZPekaes,
  DrukujDokumentyMagazynowe,
  ImportDatDostawZPocztyPolskiej,
  ImportDatDostawZInPost,
  WymianaZTPP,
  ImportDatDostawZGeis,
  RoveseImportStanMag,
  ImportDatDostawZInPostShipX,
  ImportParagonowZPoczekalni,
};
constexpr int kEnableCount = 48;
// The key name of an enable value.
const char* EnableKeyName(Enable e);

// One database entry.
struct TSerwerInformacje {
  std::string Sekcja;
  std::string Serwer;
  std::string Baza;
  std::string Uzytkownik;
  std::string Haslo;
  TDateTime OstatniEksport = 1;
  TDateTime OstatniEksportMHD = 1;
  std::string KatalogRoboczy;
  int32_t KorektaDatyKoncowej = -1;
  bool Eksportowano = false;  // exported flag of /EK
  bool BylyPliki = false;     // files-present flag of /EK
  int32_t ZakresDanych = 44;
  int32_t IDKlasyfikacjiXML = 0;
  int32_t IDKlasyWyborTowarowXML = 0;
  int32_t IDGrupyCenXML = 0;
  std::string ZamknietyMiesiac;
  std::string RaportDziennyKonfiguracja;
  std::array<uint8_t, kEnableCount> enable{};

  uint8_t Enabled(Enable e) const { return enable[static_cast<int>(e)]; }
};

class IniFile;

// The steps of LoadServerList that only read, for a tool that checks a
// configuration without running it.
void ReadMailSettings(const IniFile& ini, MailSettings& mail);
// Section names of the entries in file order: all but the first Konfiguracja.
std::vector<std::string> EntrySectionNames(const IniFile& ini);
// Reads the entry of section `entry.Sekcja` with its defaults. Throws
// EWyjatek "'%s' is not a valid date" for a date key that holds no date.
void ReadServerEntry(const IniFile& ini, TSerwerInformacje& entry);
// The keys of an entry section, in the order they are written back.
std::vector<std::string> EntryKeyNames();
// The keys of the Konfiguracja section: the mail settings the program writes
// back, then the optional ones of encrypted mail and other login methods,
// which are never written back when missing.
const std::vector<std::string>& MailKeyNames();

// Reads serwery.ini at `path`, writes the normalised values back (the file
// is rewritten at most once, atomically) and validates. Throws EWyjatek or
// the INI layer's error; entries are filled up to the failing section.
void LoadServerList(const std::string& path, MailSettings& mail,
                    std::vector<TSerwerInformacje>& entries);
// The same on a file already opened; the run keeps it for the bookkeeping.
void LoadServerList(IniFile& ini, MailSettings& mail, std::vector<TSerwerInformacje>& entries);

}  // namespace zeph
