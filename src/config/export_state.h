// Writes the export bookkeeping of one entry back into serwery.ini.
#pragma once

#include <string>

#include "config/server_list.h"

namespace zeph {

// Writes OstatniEksport and OstatniEksportMHD ("yyyy.mm.dd") and
// ZamknietyMiesiac into the entry's section. Throws Exception
// "Błąd zapisu do pliku konfiguracyjnego: <path>\r\n<reason>".
void SaveExportState(const std::string& path, TSerwerInformacje entry);

}  // namespace zeph
