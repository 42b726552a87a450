// The switch list, the help text, the dispatch table and the enable keys are
// four lists that must agree; each is checked here against the fixed values
// the program's users and its serwery.ini files rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "config/server_list.h"
#include "driver/dispatch_table.h"
#include "driver/help.h"
#include "driver/switches.h"
#include "test_support.h"
#include "util/text.h"

namespace zeph {
namespace {

// Every switch in the order the parser compares them, with its help line;
// nullptr where the help text has none.
struct SwitchCase {
  const char* name;
  const char* help;
};
constexpr SwitchCase kSwitches[] = {
    {"/EK", "/EK   - Tessaro - eksport danych do aplikacji Tessaro"},
    {"/RD", "/RD   - generowanie raportu dziennego"},
    {"/WDS", "/WDS  - wymiana danych sprzedazowych"},
    {"/CSK", "/CSK  - CSK wymiana danych z CSK i CLK (kontrahenci, CLK)"},
    {"/MHD", "/MHD  - Ambro - wymiana danych z Ambro"},
    {"/XML", "/XML  - zapis danych slownikowych do xml-i"},
    {"/ETDS", "/ETDS - eksport towarow do sprawdzarek cenowych"},
    {"/PH", "/PH   - PrintHub - eksport wydrukow"},
    {"/BTKX", "/BTKX - PelkEx - import baz towarowych z platformy PelkEx"},
    {"/KTI", "/KTI  - import zewnetrznych klasyfikacji towarow"},
    {"/WZKX", "/WZKX - PelkEx - eksport dokumentow wydan na platforme PelkEx"},
    {"/GE", "/GE   - Gefco - wymiana danych z systemem WMS - eksport plikow"},
    {"/GIP", "/GIP  - Gefco - wymiana danych z systemem WMS - import plikow potwierdzen"},
    {"/GIS",
     "/GIS  - Gefco - wymiana danych z systemem WMS - import plikow ze stanami magazynowymi"},
    {"/IEDP", "/IEDP   - import eFaktur do poczekalni"},
    {"/IDEADP", "/IDEADP - import dokumentow z eArchiwum do poczekalni"},
    {"/FKIZ", "/FKIZ - Ledvo   - import zaplat z systemu Ledvo"},
    {"/MED", "/MED  - Mantis - wymiana danych z WMS - eksport dostawcow"},
    {"/MEO", "/MEO  - Mantis - wymiana danych z WMS - eksport odbiorcow"},
    {"/MET", "/MET  - Mantis - wymiana danych z WMS - eksport towarow"},
    {"/MI",
     "/MI   - Mantis - wymiana danych z WMS - import plikow potwierdzen oraz stanow magazynowych"},
    {"/MECED", "/MECED  - Mantis_EC - wymiana danych z WMS - eksport dostawcow"},
    {"/MECEO", "/MECEO  - Mantis_EC - wymiana danych z WMS - eksport odbiorcow"},
    {"/MECET", "/MECET  - Mantis_EC - wymiana danych z WMS - eksport towarow"},
    {"/MECI",
     "/MECI   - Mantis_EC - wymiana danych z WMS - import plikow potwierdzen oraz stanow "
     "magazynowych"},
    {"/?", nullptr},
    {"/ATS", "/ATS  - aktualizacja sredniego tempa sprzedazy towarow"},
    {"/IDDU", "/IDDU    - import dat dostaw z systemu UPS"},
    {"/EFED", "/EFED - eksport faktur do systemu eDokumenty"},
    {"/HRCK", "/HRCK  - HRC wymiana danych - eksport kontrahentów"},
    {"/HRCD", "/HRCD  - HRC wymiana danych - import danych o sprzedaży starterów"},
    {"/FWPS", "/FWPS - Fiskalizuj w puli stanowisk"},
    {"/IDDP", "/IDDP    - import dat dostaw z systemu Pekaes"},
    {"/DDM", nullptr},
    {"/IDDPP", "/IDDPP   - import dat dostaw z systemu Poczty Polskiej"},
    {"/IDDINP", "/IDDINP  - import dat dostaw z systemu InPost"},
    {"/TPP", nullptr},
    {"/CED", "/CED  - Caolin - wymiana danych z WMS - eksport danych"},
    {"/CID", "/CID  - Caolin - wymiana danych z WMS - import danych"},
    {"/IDDG", "/IDDG    - import dat dostaw z systemu GEIS"},
    {"/RISM", nullptr},
    {"/IDDINPS", "/IDDINPS - import dat dostaw z systemu InPostShipX"},
    {"/IPARPOCZ", "/IPARPOCZ - import paragonów z poczekalni"},
    {"/GH", nullptr},
};

// The help text in print order.
constexpr const char* kHelp[] = {
    "",
    "Parametry:",
    "/ATS  - aktualizacja sredniego tempa sprzedazy towarow",
    "/BTKX - PelkEx - import baz towarowych z platformy PelkEx",
    "/CSK  - CSK wymiana danych z CSK i CLK (kontrahenci, CLK)",
    "/PH   - PrintHub - eksport wydrukow",
    "/EK   - Tessaro - eksport danych do aplikacji Tessaro",
    "/EFED - eksport faktur do systemu eDokumenty",
    "/ETDS - eksport towarow do sprawdzarek cenowych",
    "/FKIZ - Ledvo   - import zaplat z systemu Ledvo",
    "/FWPS - Fiskalizuj w puli stanowisk",
    "/GE   - Gefco - wymiana danych z systemem WMS - eksport plikow",
    "/GIP  - Gefco - wymiana danych z systemem WMS - import plikow potwierdzen",
    "/GIS  - Gefco - wymiana danych z systemem WMS - import plikow ze stanami magazynowymi",
    "/HRCK  - HRC wymiana danych - eksport kontrahentów",
    "/HRCD  - HRC wymiana danych - import danych o sprzedaży starterów",
    "/IEDP   - import eFaktur do poczekalni",
    "/IDEADP - import dokumentow z eArchiwum do poczekalni",
    "/KTI  - import zewnetrznych klasyfikacji towarow",
    "/MHD  - Ambro - wymiana danych z Ambro",
    "/MED  - Mantis - wymiana danych z WMS - eksport dostawcow",
    "/MEO  - Mantis - wymiana danych z WMS - eksport odbiorcow",
    "/MET  - Mantis - wymiana danych z WMS - eksport towarow",
    "/MI   - Mantis - wymiana danych z WMS - import plikow potwierdzen oraz stanow magazynowych",
    "/MECED  - Mantis_EC - wymiana danych z WMS - eksport dostawcow",
    "/MECEO  - Mantis_EC - wymiana danych z WMS - eksport odbiorcow",
    "/MECET  - Mantis_EC - wymiana danych z WMS - eksport towarow",
    ("/MECI   - Mantis_EC - wymiana danych z WMS - import plikow potwierdzen oraz stanow "
     "magazynowych"),
    "/RD   - generowanie raportu dziennego",
    "/WDS  - wymiana danych sprzedazowych",
    "/WZKX - PelkEx - eksport dokumentow wydan na platforme PelkEx",
    "/XML  - zapis danych slownikowych do xml-i",
    "/CID  - Caolin - wymiana danych z WMS - import danych",
    "/CED  - Caolin - wymiana danych z WMS - eksport danych",
    "/IDDG    - import dat dostaw z systemu GEIS",
    "/IDDINP  - import dat dostaw z systemu InPost",
    "/IDDINPS - import dat dostaw z systemu InPostShipX",
    "/IDDP    - import dat dostaw z systemu Pekaes",
    "/IDDPP   - import dat dostaw z systemu Poczty Polskiej",
    "/IDDU    - import dat dostaw z systemu UPS",
    "/IPARPOCZ - import paragonów z poczekalni",
    "",
};

// The dispatch table in run order: switch, enable key, and whether the row
// runs only when ImportKlasTowZewn is zero.
struct RowCase {
  const char* name;
  const char* key;
  bool only_without_full_import;
};
constexpr RowCase kRows[] = {
    {"/EK", "EksportDoPelkTessaro", false},
    {"/WDS", "WymianaDanychSpr", false},
    {"/RD", "RaportDzienny", false},
    {"/CSK", "SynchronizacjaCSK", false},
    {"/MHD", "EksportDoMHD", false},
    {"/XML", "ZapisSlownikowDoXML", false},
    {"/ETDS", "EksportTowarowDoSprawdzarek", false},
    {"/PH", "EksportWydrukowDoPH", false},
    {"/BTKX", "ImportBazTowarowychZPelkex", false},
    {"/KTI", "ImportKlasTowZewn", false},
    {"/KTI", "ImportTylkoKlasTowZewn", true},
    {"/KTI", "ImportDefPaybackZewn", true},
    {"/KTI", "ImportPrzelicznikow", true},
    {"/KTI", "ImportDefInwestycji", true},
    {"/KTI", "ImportGrafikiDF", true},
    {"/WZKX", "EksportDokWydDoPelkex", false},
    {"/CID", "CaolinImport", false},
    {"/CED", "CaolinEksport", false},
    {"/GIP", "GefcoImportPotwierdzen", false},
    {"/GIS", "GefcoImportStanow", false},
    {"/GE", "GefcoEksport", false},
    {"/GH", "GHWymianaDanych", false},
    {"/IEDP", "ImportEFakturDoPoczekalni", false},
    {"/IDEADP", "ImportDokZeArchiwumDoPoczekalni", false},
    {"/FKIZ", "ImportZaplatFK", false},
    {"/ATS", "AktualizacjaTempaSprzedazyTowarow", false},
    {"/MED", "MantisEksportDostawcow", false},
    {"/MEO", "MantisEksportOdbiorcow", false},
    {"/MET", "MantisEksportTowarow", false},
    {"/MI", "MantisImport", false},
    {"/MECED", "MantisECEksportDostawcow", false},
    {"/MECEO", "MantisECEksportOdbiorcow", false},
    {"/MECET", "MantisECEksportTowarow", false},
    {"/MECI", "MantisECImport", false},
    {"/IDDU", "ImportDatDostawZUPS", false},
    {"/EFED", "EksportFakturDoSystemuEDokumenty", false},
    {"/HRCK", "HrcEksportKth", false},
    {"/HRCD", "HrcImportDanychOSprzedazyStarterow", false},
    {"/FWPS", "FiskalizacjaWPuliStanowisk", false},
    {"/IDDP", "ImportDatDostawZPekaes", false},
    {"/DDM", "DrukujDokumentyMagazynowe", false},
    {"/IDDPP", "ImportDatDostawZPocztyPolskiej", false},
    {"/IDDINP", "ImportDatDostawZInPost", false},
    {"/TPP", "WymianaZTPP", false},
    {"/IDDG", "ImportDatDostawZGeis", false},
    {"/RISM", "RoveseImportStanMag", false},
    {"/IDDINPS", "ImportDatDostawZInPostShipX", false},
    {"/IPARPOCZ", "ImportParagonowZPoczekalni", false},
};

std::string Name(Switch s) {
  const char* name = SwitchName(s);
  return name == nullptr ? "<none>" : name;
}

TEST(SwitchLists, ParserComparesEverySwitchInItsOrder) {
  ASSERT_EQ(kSwitchCount, static_cast<int>(std::size(kSwitches)));
  for (int i = 0; i < kSwitchCount; ++i) {
    EXPECT_EQ(Name(static_cast<Switch>(i)), kSwitches[i].name) << "position " << i;
    SwitchFlags flags;
    ApplySwitch(kSwitches[i].name, flags);
    EXPECT_TRUE(flags.Get(static_cast<Switch>(i))) << kSwitches[i].name;
  }
}

TEST(SwitchLists, HelpTextDescribesEverySwitchThatHasALineOnce) {
  std::vector<std::string> help(HelpLines().begin(), HelpLines().end());
  EXPECT_EQ(help, std::vector<std::string>(std::begin(kHelp), std::end(kHelp)));

  // Both ways: a described switch has its line, and every line is a switch's.
  std::multiset<std::string> described;
  for (const SwitchCase& s : kSwitches) {
    if (s.help == nullptr) continue;
    described.insert(s.help);
    EXPECT_EQ(std::count(help.begin(), help.end(), s.help), 1) << s.name;
  }
  for (const std::string& line : help) {
    if (line.empty() || line == "Parametry:") continue;
    EXPECT_EQ(described.count(line), 1u) << line;
  }
}

TEST(SwitchLists, DispatchTableRunsEveryTaskSwitchInTableOrder) {
  const std::vector<DispatchRow>& table = DispatchTable();
  ASSERT_EQ(table.size(), std::size(kRows));
  std::set<std::string> dispatched;
  for (size_t i = 0; i < table.size(); ++i) {
    const DispatchRow& row = table[i];
    const char* key = EnableKeyName(row.enable);
    EXPECT_EQ(Name(row.task), kRows[i].name) << "row " << i + 1;
    EXPECT_EQ(key == nullptr ? "<none>" : key, std::string(kRows[i].key)) << "row " << i + 1;
    EXPECT_EQ(row.only_without_full_import, kRows[i].only_without_full_import) << "row " << i + 1;
    dispatched.insert(Name(row.task));
  }
  for (const SwitchCase& s : kSwitches) {
    EXPECT_EQ(dispatched.count(s.name), std::string(s.name) == "/?" ? 0u : 1u) << s.name;
  }
}

class SwitchListsKeys : public TempDirTest {};

// With every switch given, an entry whose only enable key is K runs exactly
// the rows of K: the key is read from serwery.ini into the slot its rows test.
TEST_F(SwitchListsKeys, EachEnableKeyStartsExactlyItsRows) {
  ASSERT_EQ(kEnableCount, static_cast<int>(std::size(kRows)));
  SwitchFlags all;
  for (int i = 0; i < kSwitchCount; ++i) all.Set(static_cast<Switch>(i));
  for (const RowCase& expected : kRows) {
    Put("[Konfiguracja]\r\nSerwerPocztowy=smtp\r\nAdresPocztowyOdbiorcy=a@b\r\n"
        "AdresPocztowyNadawcy=c@d\r\n[S]\r\nSerwer=srv\r\nBaza=db\r\nKatalogRoboczy=" +
        dir_ + "/w\r\n" + expected.key + "=1\r\n");
    MailSettings mail;
    std::vector<TSerwerInformacje> entries;
    LoadServerList(path_, mail, entries);
    ASSERT_EQ(entries.size(), 1u);
    std::vector<std::string> ran;
    for (const DispatchRow& row : DispatchTable()) {
      if (RowApplies(row, all, entries[0])) ran.push_back(Name(row.task));
    }
    EXPECT_EQ(ran, std::vector<std::string>{expected.name}) << expected.key;
  }
}

}  // namespace
}  // namespace zeph
