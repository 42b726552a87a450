#include "config/server_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/file_system.h"
#include "test_support.h"
#include "util/date_time.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

using ::zeph::PrintTo;  // table cases print as their name

// A Konfiguracja section already in its normalised form.
const std::string kMail =
    "[Konfiguracja]\r\nSerwerPocztowy=smtp\r\nAdresPocztowyOdbiorcy=a@b\r\n"
    "AdresPocztowyNadawcy=c@d\r\nUwierzytelnianie=0\r\nUzytkownik=\r\nHaslo=\r\n";

class ServerListTest : public TempDirTest {
 protected:
  // An entry section that passes the checks, plus `extra` lines.
  std::string Entry(const std::string& name, const std::string& extra = "") const {
    return "[" + name + "]\r\nSerwer=srv\r\nBaza=db\r\nKatalogRoboczy=" + dir_ + "/w\r\n" + extra;
  }
  // `text` with <dir> standing for the test directory, <sec> for "Zła sekcja".
  std::string Fill(std::string text) const {
    for (size_t at; (at = text.find("<dir>")) != std::string::npos;) text.replace(at, 5, dir_);
    // The separator the program adds to a directory that ends without one.
    for (size_t at; (at = text.find("<sep>")) != std::string::npos;) {
      text.replace(at, 5, 1, platform::kPathSeparator);
    }
    for (size_t at; (at = text.find("<sec>")) != std::string::npos;) {
      text.replace(at, 5, Text1250("Zła sekcja"));
    }
    return text;
  }
  // Runs the load; the error message, or empty on success.
  std::string Load() {
    try {
      LoadServerList(path_, mail_, entries_);
    } catch (const EWyjatek& e) {
      EXPECT_EQ(e.Code(), 0);
      return e.what();
    } catch (const Exception& e) {
      return e.what();
    }
    return "";
  }
  // The value a section holds for a key, read back from the file.
  std::string Line(const std::string& section, const std::string& key) const {
    std::string text = Get();
    size_t start = text.find("[" + section + "]\r\n");
    if (start == std::string::npos) return "<no section>";
    size_t end = text.find("\r\n[", start);
    std::string body = text.substr(start, end == std::string::npos ? end : end - start);
    size_t at = body.find("\r\n" + key + "=");
    if (at == std::string::npos) return "<no key>";
    at += key.size() + 3;
    return body.substr(at, body.find("\r\n", at) - at);
  }

  MailSettings mail_;
  std::vector<TSerwerInformacje> entries_;
};

TEST_F(ServerListTest, MissingFileGetsMailSectionAndFailsOnMailSettings) {
  EXPECT_EQ(Load(), Text1250("Nie uzupełniono parametrów niezbędnych do wysłania poczty: "
                             "SerwerPocztowy, AdresPocztowyOdbiorcy, AdresPocztowyNadawcy"));
  EXPECT_EQ(Get(),
            "[Konfiguracja]\r\nSerwerPocztowy=\r\nAdresPocztowyOdbiorcy=\r\n"
            "AdresPocztowyNadawcy=\r\nUwierzytelnianie=0\r\nUzytkownik=\r\nHaslo=\r\n");
}

struct MailCase {
  const char* name;
  std::string section;
  std::string error;  // empty: the load passes
};

class ServerListMail : public ServerListTest, public ::testing::WithParamInterface<MailCase> {};

const std::string kMailError = Text1250(
    "Nie uzupełniono parametrów niezbędnych do wysłania poczty: SerwerPocztowy, "
    "AdresPocztowyOdbiorcy, AdresPocztowyNadawcy");
const std::string kAuthError = Text1250(
    "Nie uzupełniono parametrów niezbędnych do uwierzytelnienia w serwerze SMTP: Uzytkownik, "
    "Haslo");

TEST_P(ServerListMail, ChecksTheMailSettings) {
  Put(GetParam().section);
  EXPECT_EQ(Load(), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ServerListMail,
    ::testing::Values(MailCase{"Complete", kMail, ""},
                      MailCase{"SenderMissing",
                               "[Konfiguracja]\nSerwerPocztowy=s\nAdresPocztowyOdbiorcy=a\n",
                               kMailError},
                      MailCase{"AuthenticationWithoutUser",
                               "[Konfiguracja]\nSerwerPocztowy=s\nAdresPocztowyOdbiorcy=a\n"
                               "AdresPocztowyNadawcy=b\nUwierzytelnianie=$101\nHaslo=p\n",
                               kAuthError},
                      MailCase{"AuthenticationWithEmptyPassword",
                               "[Konfiguracja]\nSerwerPocztowy=s\nAdresPocztowyOdbiorcy=a\n"
                               "AdresPocztowyNadawcy=b\nUwierzytelnianie=1\nUzytkownik=u\n",
                               ""},
                      MailCase{"AuthenticationLowByteZero",
                               "[Konfiguracja]\nSerwerPocztowy=s\nAdresPocztowyOdbiorcy=a\n"
                               "AdresPocztowyNadawcy=b\nUwierzytelnianie=256\n",
                               ""},
                      MailCase{"UpperCaseSectionName",
                               "[KONFIGURACJA]\nSerwerPocztowy=s\nAdresPocztowyOdbiorcy=a\n"
                               "AdresPocztowyNadawcy=b\n",
                               ""}),
    CaseName());

TEST_F(ServerListTest, MailSettingsAreReadAndWrittenBackInPlace) {
  Put("[konfiguracja]\nHaslo = 'p w'\nUwierzytelnianie=-1\nUzytkownik=u\n"
      "SerwerPocztowy=s\nAdresPocztowyOdbiorcy=a@b, c@d\nAdresPocztowyNadawcy=n@x\n");
  EXPECT_EQ(Load(), "");
  EXPECT_EQ(mail_.SerwerPocztowy, "s");
  EXPECT_EQ(mail_.AdresPocztowyOdbiorcy, "a@b, c@d");
  EXPECT_EQ(mail_.AdresPocztowyNadawcy, "n@x");
  EXPECT_EQ(mail_.Uwierzytelnianie, 255);
  EXPECT_EQ(mail_.Uzytkownik, "u");
  EXPECT_EQ(mail_.Haslo, "p w");
  EXPECT_TRUE(entries_.empty());
  EXPECT_EQ(Get(),
            "[konfiguracja]\nHaslo=p w\nUwierzytelnianie=255\nUzytkownik=u\n"
            "SerwerPocztowy=s\nAdresPocztowyOdbiorcy=a@b, c@d\nAdresPocztowyNadawcy=n@x\n");
}

// Every key of an entry, in the order it is written back, with the values
// an entry holding only Serwer, Baza and KatalogRoboczy gets.
std::string NormalisedTail() {
  std::string out = Text1250("Uzytkownik=Księgowy\r\n") +
                    "Haslo=\r\nOstatniEksport=1899.12.31\r\nOstatniEksportMHD=1899.12.31\r\n"
                    "KorektaDatyKoncowej=-1\r\nZakresDanych=44\r\n";
  for (const char* key :
       {"EksportDoPelkTessaro", "RaportDzienny", "SynchronizacjaCSK", "WymianaDanychSpr"}) {
    out += std::string(key) + "=0\r\n";
  }
  out +=
      "ZamknietyMiesiac=\r\nRaportDziennyKonfiguracja=\r\nEksportDoMHD=0\r\n"
      "ZapisSlownikowDoXML=0\r\nIDKlasyfikacjiXML=0\r\nIDKlasyWyborTowarowXML=0\r\n"
      "IDGrupyCenXML=0\r\n";
  for (const char* key : {"EksportTowarowDoSprawdzarek",
                          "EksportWydrukowDoPH",
                          "ImportBazTowarowychZPelkex",
                          "ImportKlasTowZewn",
                          "ImportTylkoKlasTowZewn",
                          "ImportDefPaybackZewn",
                          "ImportPrzelicznikow",
                          "ImportDefInwestycji",
                          "ImportGrafikiDF",
                          "EksportDokWydDoPelkex",
                          "CaolinImport",
                          "CaolinEksport",
                          "GefcoEksport",
                          "GefcoImportPotwierdzen",
                          "GefcoImportStanow",
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
                          "GHWymianaDanych"}) {
    out += std::string(key) + "=0\r\n";
  }
  return out;
}

TEST_F(ServerListTest, EntryIsNormalisedKeepingOtherLines) {
  Put(kMail +
      "\r\n[S1]\r\n; note\r\nSerwer = srv\r\nBaza=\"db\"\r\nInny=1\r\nKatalogRoboczy=" + dir_ +
      "/w\r\n\r\n[S2]\r\nSerwer=x\r\nBaza=y\r\nUzytkownik=u\r\nKatalogRoboczy=" + dir_ + "/w/\r\n");
  EXPECT_EQ(Load(), "");
  ASSERT_EQ(entries_.size(), 2u);
  const TSerwerInformacje& e = entries_[0];
  EXPECT_EQ(e.Sekcja, "S1");
  EXPECT_EQ(e.Serwer, "srv");
  EXPECT_EQ(e.Baza, "db");
  EXPECT_EQ(e.Uzytkownik, Text1250("Księgowy"));
  EXPECT_EQ(e.KatalogRoboczy, dir_ + "/w" + platform::kPathSeparator);
  EXPECT_EQ(e.OstatniEksport, 1.0);
  EXPECT_EQ(e.OstatniEksportMHD, 1.0);
  EXPECT_EQ(e.KorektaDatyKoncowej, -1);
  EXPECT_EQ(e.ZakresDanych, 44);
  EXPECT_EQ(entries_[1].Uzytkownik, "u");
  EXPECT_EQ(entries_[1].KatalogRoboczy, dir_ + "/w/");
  struct stat st {};
  EXPECT_EQ(::stat((dir_ + "/w").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));

  std::string s2_tail = NormalisedTail();
  s2_tail.replace(0, s2_tail.find("\r\n") + 2, "");  // S2 has its own Uzytkownik
  EXPECT_EQ(Get(), kMail + "\r\n[S1]\r\n; note\r\nSerwer=srv\r\nBaza=db\r\nInny=1\r\n" +
                       "KatalogRoboczy=" + dir_ + "/w" + platform::kPathSeparator + "\r\n" +
                       NormalisedTail() + "\r\n[S2]\r\n" +
                       "Serwer=x\r\nBaza=y\r\nUzytkownik=u\r\nKatalogRoboczy=" + dir_ + "/w/\r\n" +
                       s2_tail);

  // A normalised file is left as it is.
  struct stat before {};
  ::stat(path_.c_str(), &before);
  EXPECT_EQ(Load(), "");
  struct stat after {};
  ::stat(path_.c_str(), &after);
  EXPECT_EQ(before.st_ino, after.st_ino);
}

struct ValueCase {
  const char* name;
  std::string lines;  // extra lines of the entry
  std::string key;    // checked in the file afterwards
  std::string written;
};

class ServerListValue : public ServerListTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(ServerListValue, IsReadWithItsFormAndWrittenBack) {
  Put(kMail + Entry("S", GetParam().lines));
  EXPECT_EQ(Load(), "");
  EXPECT_EQ(Line("S", GetParam().key), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ServerListValue,
    ::testing::Values(
        ValueCase{"EnableText", "WymianaDanychSpr=tak\r\n", "WymianaDanychSpr", "0"},
        ValueCase{"EnableHex", "WymianaDanychSpr=0x1\r\n", "WymianaDanychSpr", "1"},
        ValueCase{"EnableLowByte", "WymianaDanychSpr=257\r\n", "WymianaDanychSpr", "1"},
        ValueCase{"EnableMinusOne", "WymianaDanychSpr=-1\r\n", "WymianaDanychSpr", "255"},
        ValueCase{"EnableEmpty", "WymianaDanychSpr=\r\n", "WymianaDanychSpr", "0"},
        ValueCase{"NumberHex", "ZakresDanych=$10\r\n", "ZakresDanych", "16"},
        ValueCase{"NumberTooLarge", "ZakresDanych=4294967296\r\n", "ZakresDanych", "44"},
        ValueCase{"NumberFullHex", "KorektaDatyKoncowej=$FFFFFFFE\r\n", "KorektaDatyKoncowej",
                  "-2"},
        ValueCase{"WybiorDefaultsToKlasyfikacji", "IDKlasyfikacjiXML=7\r\n",
                  "IDKlasyWyborTowarowXML", "7"},
        ValueCase{"WybiorOwnValue", "IDKlasyfikacjiXML=7\r\nIDKlasyWyborTowarowXML=3\r\n",
                  "IDKlasyWyborTowarowXML", "3"},
        ValueCase{"WybiorBadTextDefaultsToKlasyfikacji",
                  "IDKlasyfikacjiXML=7\r\nIDKlasyWyborTowarowXML=x\r\n", "IDKlasyWyborTowarowXML",
                  "7"},
        ValueCase{"DateKept", "OstatniEksport=2024.03.31\r\n", "OstatniEksport", "2024.03.31"},
        ValueCase{"DatePadded", "OstatniEksportMHD= 2024.3.1 \r\n", "OstatniEksportMHD",
                  "2024.03.01"},
        ValueCase{"DateEmpty", "OstatniEksport=\r\n", "OstatniEksport", "1899.12.31"},
        ValueCase{"MonthText", "ZamknietyMiesiac=2024.02\r\n", "ZamknietyMiesiac", "2024.02"}),
    CaseName());

TEST_F(ServerListTest, EachEntryKeepsItsOwnDatesAsTheyRepeatAndChange) {
  struct Dates {
    std::string section, export_text, mhd_text;  // as written in the file
    std::string export_date, mhd_date;           // as written back
  };
  const std::vector<Dates> cases = {
      {"A", "2024.01.31", "2024.02.29", "2024.01.31", "2024.02.29"},
      {"B", "2024.02.29", "2024.01.31", "2024.02.29", "2024.01.31"},
      {"C", " 2024.1.31 ", "", "2024.01.31", "1899.12.31"},
      {"D", "2024.03.31", "2024.03.31", "2024.03.31", "2024.03.31"},
      {"E", "2024.01.31", "2024.02.29", "2024.01.31", "2024.02.29"},
  };
  std::string file = kMail;
  for (const Dates& d : cases) {
    file += Entry(d.section, "OstatniEksport=" + d.export_text +
                                 "\r\nOstatniEksportMHD=" + d.mhd_text + "\r\n");
  }
  Put(file);
  EXPECT_EQ(Load(), "");
  ASSERT_EQ(entries_.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    const Dates& d = cases[i];
    EXPECT_EQ(entries_[i].OstatniEksport, StrToDate(d.export_date)) << d.section;
    EXPECT_EQ(entries_[i].OstatniEksportMHD, StrToDate(d.mhd_date)) << d.section;
    EXPECT_EQ(Line(d.section, "OstatniEksport"), d.export_date);
    EXPECT_EQ(Line(d.section, "OstatniEksportMHD"), d.mhd_date);
  }
}

TEST_F(ServerListTest, EnableValuesLandInTheirSlots) {
  Put(kMail + Entry("S", "WymianaDanychSpr=-1\r\nGHWymianaDanych=0x1\r\nRaportDzienny=257\r\n"));
  EXPECT_EQ(Load(), "");
  ASSERT_EQ(entries_.size(), 1u);
  const TSerwerInformacje& e = entries_[0];
  EXPECT_EQ(e.Enabled(Enable::WymianaDanychSpr), 255);
  EXPECT_EQ(e.Enabled(Enable::GHWymianaDanych), 1);
  EXPECT_EQ(e.Enabled(Enable::RaportDzienny), 1);
  EXPECT_EQ(e.Enabled(Enable::SynchronizacjaCSK), 0);
  EXPECT_STREQ(EnableKeyName(Enable::ImportParagonowZPoczekalni), "ImportParagonowZPoczekalni");
  EXPECT_STREQ(EnableKeyName(Enable::EksportDoPelkTessaro), "EksportDoPelkTessaro");
}

struct FailCase {
  const char* name;
  std::string lines;  // the failing section, named "Zła sekcja"
  std::string error;
  bool normalised;  // the failing section was written back before its check
};

class ServerListFail : public ServerListTest, public ::testing::WithParamInterface<FailCase> {};

// Entries before the failing one are normalised, the ones after it untouched.
TEST_P(ServerListFail, StopsAtTheFailingSection) {
  const std::string bad = Text1250("Zła sekcja");
  const std::string third = Entry("S3", "ZakresDanych = 5\r\n");
  Put(kMail + Entry("S1") + "[" + bad + "]\r\n" + Fill(GetParam().lines) + third);
  EXPECT_EQ(Load(), Fill(Text1250(GetParam().error)));
  EXPECT_EQ(Line("S1", "ZakresDanych"), "44");
  EXPECT_EQ(Line(bad, "ZakresDanych"), GetParam().normalised ? "44" : "<no key>");
  std::string file = Get();
  EXPECT_EQ(file.substr(file.size() - third.size()), third);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, ServerListFail,
    ::testing::Values(FailCase{"NoServer", "Baza=db\r\nKatalogRoboczy=<dir>/w\r\n",
                               "Błędne dane dla serwera: <sec>", true},
                      FailCase{"NoDatabase", "Serwer=s\r\nKatalogRoboczy=<dir>/w\r\n",
                               "Błędne dane dla serwera: <sec>", true},
                      FailCase{"NoWorkingDirectory", "Serwer=s\r\nBaza=db\r\n",
                               "Błędne dane dla serwera: <sec>", true},
                      FailCase{"EmptyQuotedServer",
                               "Serwer=\"\"\r\nBaza=db\r\nKatalogRoboczy=<dir>/w\r\n",
                               "Błędne dane dla serwera: <sec>", true},
                      FailCase{"DirectoryUnderAFile",
                               "Serwer=s\r\nBaza=db\r\nKatalogRoboczy=<dir>/serwery.ini/x\r\n",
                               "Nie udało się utworzyć katalogu: <dir>/serwery.ini/x<sep>", true},
                      FailCase{"DayFirstDate", "OstatniEksport=31.03.2024\r\n",
                               "'31.03.2024' is not a valid date", false},
                      FailCase{"ImpossibleDate", "OstatniEksportMHD=2024.02.30\r\n",
                               "'2024.02.30' is not a valid date", false}),
    CaseName());

TEST_F(ServerListTest, RelativeWorkingDirectoryFollowsCurrentDirectory) {
  char old_cwd[PATH_MAX];
  ASSERT_NE(::getcwd(old_cwd, sizeof old_cwd), nullptr);
  const std::string cwd = dir_ + "/cwd";
  ASSERT_TRUE(std::filesystem::create_directory(cwd));
  Put(kMail + "[S]\r\nSerwer=s\r\nBaza=b\r\nKatalogRoboczy=rel/sub\r\n");
  ASSERT_EQ(::chdir(cwd.c_str()), 0);
  std::string error = Load();
  ASSERT_EQ(::chdir(old_cwd), 0);
  EXPECT_EQ(error, "");
  struct stat st {};
  EXPECT_EQ(::stat((cwd + "/rel/sub").c_str(), &st), 0);
  EXPECT_EQ(Line("S", "KatalogRoboczy"), std::string("rel/sub") + platform::kPathSeparator);
}

TEST_F(ServerListTest, ReadOnlyFileFailsAtFirstWriteAndStaysAsItWas) {
  const std::string before = "[Konfiguracja]\nSerwerPocztowy=s\n" + Entry("S");
  Put(before);
  ::chmod(path_.c_str(), 0444);
  EXPECT_EQ(Load(), "Unable to write to " + path_);
  EXPECT_EQ(Get(), before);
}

// A file saved as "Unicode" (UTF-16LE with its mark) loads and is
// normalised like the same file in Windows-1250, and stays UTF-16.
TEST_F(ServerListTest, Utf16FileIsNormalisedInItsOwnEncoding) {
  const std::string text = kMail + "[Dział]\r\nSerwer=srv\r\nBaza=db\r\nUzytkownik=Księgowa\r\n" +
                           "KatalogRoboczy=" + dir_ + "/w/\r\n";
  std::string utf16 = "\xFF\xFE";
  for (char16_t u : Utf8ToWide(text)) {
    utf16 += static_cast<char>(u & 0xFF);
    utf16 += static_cast<char>(u >> 8);
  }
  Put(utf16);
  EXPECT_EQ(Load(), "");
  ASSERT_EQ(entries_.size(), 1u);
  EXPECT_EQ(entries_[0].Sekcja, Text1250("Dział"));
  EXPECT_EQ(entries_[0].Uzytkownik, Text1250("Księgowa"));

  const std::string reference = dir_ + "/reference.ini";
  WriteBytes(reference, Text1250(text));
  std::vector<TSerwerInformacje> reference_entries;
  LoadServerList(reference, mail_, reference_entries);
  const std::string file = Get();
  ASSERT_EQ(file.substr(0, 2), "\xFF\xFE");
  std::u16string wide;
  for (size_t i = 2; i + 1 < file.size(); i += 2) {
    wide += static_cast<char16_t>(static_cast<unsigned char>(file[i]) |
                                  static_cast<unsigned char>(file[i + 1]) << 8);
  }
  EXPECT_EQ(WideToUtf8(wide), AnsiToUtf8(ReadBytes(reference)));
}

TEST_F(ServerListTest, UnconvertibleValueFailsNamingItAndWritesNothing) {
  const std::string before = kMail + Entry("S", "Haslo=zażółć★\r\n");  // UTF-8 text
  Put(before);
  EXPECT_EQ(Load(), "Unable to read " + path_ +
                        ": section [S] key Haslo holds a character that Windows-1250 cannot hold "
                        "(the file is UTF-8)");
  EXPECT_EQ(Get(), before);
}

}  // namespace
}  // namespace zeph
