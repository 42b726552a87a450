// The export bookkeeping of the entries (OstatniEksport, OstatniEksportMHD,
// ZamknietyMiesiac), written back into serwery.ini by /EK and /MHD.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "config/ini_file.h"
#include "config/server_list.h"

namespace zeph {

// The run's write-back of the bookkeeping. It keeps the file the run loaded
// and, per entry, the values the file holds as far as the run knows. A save
// writes only the keys whose value the run changed since, into the file as
// it is on disk at that moment: an edit made meanwhile, or a key another
// writer changed, survives. A file nobody else touched is neither read nor
// parsed again, so a save costs one rewrite of the file.
class ExportState {
 public:
  // Takes over the file the run loaded and normalised, and the entries read
  // from it; the entries must stay where they are for the rest of the run.
  void Attach(IniFile ini, const std::vector<TSerwerInformacje>& entries);

  // Called before each save that writes the file. The run makes its log
  // durable there: after a power cut, no bookkeeping on disk may be ahead of
  // the log lines that report it. What the hook throws ends the save.
  void BeforeEachSave(std::function<void()> hook) { before_save_ = std::move(hook); }

  // Writes the entry's changed bookkeeping keys (all three for an entry not
  // given to Attach()). Throws Exception
  // "Błąd zapisu do pliku konfiguracyjnego: <path>\r\n<reason>"; the values
  // not written are written by the entry's next save.
  void Save(const TSerwerInformacje& entry);

 private:
  struct Written {
    std::string ostatni_eksport;
    std::string ostatni_eksport_mhd;
    std::string zamkniety_miesiac;
  };

  std::unique_ptr<IniFile> ini_;
  std::function<void()> before_save_;
  std::unordered_map<const TSerwerInformacje*, Written> written_;
};

// Writes OstatniEksport and OstatniEksportMHD ("yyyy.mm.dd") and
// ZamknietyMiesiac into the entry's section of the file at `path`, all
// three. Throws Exception
// "Błąd zapisu do pliku konfiguracyjnego: <path>\r\n<reason>".
void SaveExportState(const std::string& path, const TSerwerInformacje& entry);

}  // namespace zeph
