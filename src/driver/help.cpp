#include "driver/help.h"

#include "util/console.h"
#include "util/text.h"

namespace zeph {
namespace {
// Written as Windows-1250; three lines carry Polish letters.
constexpr const char* kHelpLines[] = {
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
}  // namespace

std::span<const char* const> HelpLines() {
  return kHelpLines;
}

void PrintHelp() {
  for (const char* line : HelpLines()) ConsoleWriteLine(Text1250(line));
}

}  // namespace zeph
