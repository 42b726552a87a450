#include "host/host_library.h"

#include <map>
#include <memory>
#include <mutex>

#include "platform/library.h"
#include "util/encoding.h"

namespace zeph {
namespace {

struct Loaded {
  std::mutex mutex;
  std::map<std::string, std::unique_ptr<HostLibrary>> libraries;  // never unloaded
};

Loaded& Libraries() {
  static Loaded* loaded = new Loaded;  // outlives every static object
  return *loaded;
}

HostStatus Refused(const std::string& path, const std::string& reason) {
  return HostStatus::Fail(Utf8ToWide("Cannot load library \"" + path + "\": " + reason));
}

}  // namespace

HostStatus HostLibrary::Load(const std::string& path, const HostLibrary** out) {
  *out = nullptr;
  Loaded& loaded = Libraries();
  std::lock_guard<std::mutex> lock(loaded.mutex);
  auto found = loaded.libraries.find(path);
  if (found != loaded.libraries.end()) {
    *out = found->second.get();
    return HostStatus::Ok();
  }
  std::string reason;
  void* handle = platform::LoadLibraryFile(path, reason);
  if (handle == nullptr) return Refused(path, reason);
  void* symbol = platform::FindSymbol(handle, ZEPH_HOST_ENTRY_SYMBOL, reason);
  if (symbol == nullptr) {
    return HostStatus::Fail(Utf8ToWide(
        "Library \"" + path + "\" has no entry point " ZEPH_HOST_ENTRY_SYMBOL ": " + reason));
  }
  const ZephHostLibrary* table = reinterpret_cast<ZephHostEntryFn>(symbol)();
  if (table == nullptr) return Refused(path, "its entry point returned no table");
  if (table->interface_version != ZEPH_HOST_INTERFACE_VERSION) {
    return HostStatus::Fail(
        Utf8ToWide("Library \"" + path + "\" implements host interface version " +
                   std::to_string(table->interface_version) + "; this program needs version " +
                   std::to_string(ZEPH_HOST_INTERFACE_VERSION)));
  }
  if (table->create == nullptr || table->release == nullptr || table->free_string == nullptr) {
    return Refused(path, "its table lacks create, release or free_string");
  }
  // The handle stays open for the life of the process: objects and texts of
  // the library may outlive any one task.
  auto library = std::unique_ptr<HostLibrary>(new HostLibrary(path, table));
  *out = library.get();
  loaded.libraries.emplace(path, std::move(library));
  return HostStatus::Ok();
}

const HostLibrary* HostLibrary::Adopt(const std::string& name, const ZephHostLibrary* table) {
  Loaded& loaded = Libraries();
  std::lock_guard<std::mutex> lock(loaded.mutex);
  std::unique_ptr<HostLibrary>& library = loaded.libraries[name];
  if (!library) library.reset(new HostLibrary(name, table));
  return library.get();
}

bool HostLibrary::Serves(ClassId id) const {
  switch (id) {
    case ClassId::Setup:
      return table_->setup != nullptr;
    case ClassId::Stock:
      return table_->stock != nullptr;
    case ClassId::Report:
      return table_->report != nullptr;
    case ClassId::Report2:
      return table_->report2 != nullptr;
    case ClassId::Lexicon:
      return table_->lexicon != nullptr;
    case ClassId::PrintHub:
      return table_->print_hub != nullptr;
    case ClassId::Till:
      return table_->till != nullptr;
    case ClassId::Invoices:
      return table_->invoices != nullptr;
    case ClassId::EksportTessaro:
      return table_->eksport_tessaro != nullptr;
    case ClassId::ZephProc:
      return table_->zeph_proc != nullptr;
  }
  return false;
}

HostStatus HostLibrary::TakeStatus(ZephStatus& status) const {
  HostStatus result;
  result.code = status.code;
  result.description = TakeString(status.description);
  return result;
}

WideString HostLibrary::TakeString(ZephString& text) const {
  WideString result;
  if (text.data != nullptr) {
    result.assign(reinterpret_cast<const char16_t*>(text.data), text.length);
    table_->free_string(&text);
  }
  text = ZephString{nullptr, 0};
  return result;
}

}  // namespace zeph
