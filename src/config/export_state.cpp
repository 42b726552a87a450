#include "config/export_state.h"

#include "config/ini_file.h"
#include "util/date_time.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {

void SaveExportState(const std::string& path, TSerwerInformacje entry) {
  try {
    IniFile ini(path);
    // Fixed "yyyy.mm.dd": the host may have changed the short date format,
    // and the next run reads the file with the format of the start.
    ini.WriteString(entry.Sekcja, "OstatniEksport", DateToIniText(entry.OstatniEksport));
    ini.WriteString(entry.Sekcja, "OstatniEksportMHD", DateToIniText(entry.OstatniEksportMHD));
    ini.WriteString(entry.Sekcja, "ZamknietyMiesiac", entry.ZamknietyMiesiac);
    ini.Flush();
  } catch (const std::exception& e) {
    throw Exception(Text1250("Błąd zapisu do pliku konfiguracyjnego: ") + path + "\r\n" + e.what());
  }
}

}  // namespace zeph
