#include "config/export_state.h"

#include "util/date_time.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

constexpr const char* kOstatniEksport = "OstatniEksport";
constexpr const char* kOstatniEksportMHD = "OstatniEksportMHD";
constexpr const char* kZamknietyMiesiac = "ZamknietyMiesiac";

[[noreturn]] void SaveFailed(const std::string& path, const std::exception& e) {
  throw Exception(Text1250("Błąd zapisu do pliku konfiguracyjnego: ") + path + "\r\n" + e.what(),
                  ReasonOf(e));
}

}  // namespace

void ExportState::Attach(IniFile ini, const std::vector<TSerwerInformacje>& entries) {
  ini_ = std::make_unique<IniFile>(std::move(ini));
  written_.clear();
  for (const TSerwerInformacje& entry : entries) {
    // Fixed "yyyy.mm.dd": the host may have changed the short date format,
    // and the next run reads the file with the format of the start.
    written_[&entry] = Written{DateToIniText(entry.OstatniEksport),
                               DateToIniText(entry.OstatniEksportMHD), entry.ZamknietyMiesiac};
  }
}

void ExportState::Save(const TSerwerInformacje& entry) {
  Written now{DateToIniText(entry.OstatniEksport), DateToIniText(entry.OstatniEksportMHD),
              entry.ZamknietyMiesiac};
  // An entry the run did not load has nothing to compare with: all three.
  auto known = written_.find(&entry);
  const bool all = known == written_.end();
  const bool ostatni = all || now.ostatni_eksport != known->second.ostatni_eksport;
  const bool mhd = all || now.ostatni_eksport_mhd != known->second.ostatni_eksport_mhd;
  const bool miesiac = all || now.zamkniety_miesiac != known->second.zamkniety_miesiac;
  if (!ostatni && !mhd && !miesiac) return;
  if (before_save_) before_save_();
  try {
    if (ini_ == nullptr) throw Exception("the server list was not loaded");
    // Another writer or a hand edit since the last read or write: apply our
    // keys to what is on disk now, not to the image loaded before.
    if (ini_->ChangedOnDisk()) ini_->Reload();
    if (ostatni) ini_->WriteString(entry.Sekcja, kOstatniEksport, now.ostatni_eksport);
    if (mhd) ini_->WriteString(entry.Sekcja, kOstatniEksportMHD, now.ostatni_eksport_mhd);
    if (miesiac) ini_->WriteString(entry.Sekcja, kZamknietyMiesiac, now.zamkniety_miesiac);
    ini_->Flush();
  } catch (const std::exception& e) {
    SaveFailed(ini_ ? ini_->Path() : std::string(), e);
  }
  if (!all) known->second = std::move(now);
}

void SaveExportState(const std::string& path, const TSerwerInformacje& entry) {
  try {
    IniFile ini(path);
    ini.WriteString(entry.Sekcja, kOstatniEksport, DateToIniText(entry.OstatniEksport));
    ini.WriteString(entry.Sekcja, kOstatniEksportMHD, DateToIniText(entry.OstatniEksportMHD));
    ini.WriteString(entry.Sekcja, kZamknietyMiesiac, entry.ZamknietyMiesiac);
    ini.Flush();
  } catch (const std::exception& e) {
    SaveFailed(path, e);
  }
}

}  // namespace zeph
