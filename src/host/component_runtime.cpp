#include "host/component_runtime.h"

#include <array>
#include <mutex>
#include <optional>

#include "config/ini_file.h"
#include "host/com_servers.h"
#include "host/host_library.h"
#include "host/library_objects.h"
#include "platform/file_system.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/files.h"

namespace zeph {
namespace {

constexpr char16_t kNotRegistered[] = u"Class not registered";
constexpr int kClassesCreated = kClassCount;

// The registry [InprocServers] of components.ini, read once.
struct Registry {
  HostStatus read_failure;                             // the file could not be read
  std::array<std::string, kClassesCreated> libraries;  // by class id; empty: not registered
  std::array<std::string, kClassesCreated> progids;    // [ProgIDs]; empty: the class name
};

struct RuntimeState {
  std::mutex mutex;
  std::string directory;  // with a trailing delimiter; empty until configured
  std::optional<Registry> registry;
};

RuntimeState& State() {
  static RuntimeState* state = new RuntimeState;  // outlives every static object
  return *state;
}

Registry ReadRegistry(const std::string& directory) {
  Registry registry;
  try {
    IniFile ini(directory + "components.ini");
    for (int i = 0; i < kClassesCreated; ++i) {
      const char* name = ClassName(static_cast<ClassId>(i));
      registry.libraries[static_cast<size_t>(i)] = ini.ReadString("InprocServers", name, "");
      registry.progids[static_cast<size_t>(i)] = ini.ReadString("ProgIDs", name, "");
    }
  } catch (const Exception& e) {
    registry.read_failure = HostStatus::Fail(AnsiToWide(e.Message()));
  }
  return registry;
}

// The registry, read at the first use after Configure. Call with the lock held.
const Registry& CurrentRegistry(RuntimeState& state) {
  if (state.directory.empty()) state.directory = ExecutableDirectory();
  if (!state.registry) state.registry = ReadRegistry(state.directory);
  return *state.registry;
}

}  // namespace

bool ComponentRuntime::ThroughCom(ClassId id, WideString* progid) {
  const int index = static_cast<int>(id);
  if (!HasComServers() || index < 0 || index >= kClassesCreated) return false;
  RuntimeState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  const Registry& registry = CurrentRegistry(state);
  if (registry.read_failure.Failed()) return false;
  if (!registry.libraries[static_cast<size_t>(index)].empty()) return false;
  const std::string& listed = registry.progids[static_cast<size_t>(index)];
  if (progid != nullptr) *progid = AnsiToWide(listed.empty() ? ClassName(id) : listed);
  return true;
}

HostStatus ComponentRuntime::Load(ClassId id, std::string* path_out, const HostLibrary** out) {
  const int index = static_cast<int>(id);
  if (index < 0 || index >= kClassesCreated) return HostStatus::Fail(kNotRegistered);
  RuntimeState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  const Registry& registry = CurrentRegistry(state);
  if (registry.read_failure.Failed()) return registry.read_failure;
  std::string path = registry.libraries[static_cast<size_t>(index)];
  if (path.empty()) return HostStatus::Fail(kNotRegistered);
  if (!platform::IsAbsolutePath(path)) path = state.directory + path;
  if (path_out != nullptr) *path_out = path;
  return HostLibrary::Load(path, out);
}

void ComponentRuntime::Configure(const std::string& executable_directory) {
  RuntimeState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.directory = IncludeTrailingPathDelimiter(executable_directory);
  state.registry.reset();
}

HostStatus ComponentRuntime::CheckClass(ClassId id, std::string* library) {
  if (library != nullptr) library->clear();
  if (ThroughCom(id, nullptr)) {
    // Nothing short of making a server shows that a COM server works.
    ObjectRef server;
    return Create(id, &server);
  }
  const HostLibrary* loaded = nullptr;
  HostStatus status = Load(id, library, &loaded);
  if (status.Failed()) return status;
  if (!loaded->Serves(id)) {
    return HostStatus::Fail(Utf8ToWide("The host library \"" + loaded->Path() +
                                       "\" has no interface for class " + ClassName(id)));
  }
  return HostStatus::Ok();
}

HostStatus ComponentRuntime::Create(ClassId id, ObjectRef* object) {
  if (object != nullptr) object->reset();
  WideString progid;
  if (ThroughCom(id, &progid)) return CreateComObject(id, progid, object);
  const HostLibrary* library = nullptr;
  HostStatus loaded = Load(id, nullptr, &library);
  if (loaded.Failed()) return loaded;
  ZephObject* handle = nullptr;
  ZephStatus made = library->Table().create(static_cast<ZephClassId>(id), &handle);
  HostStatus status = library->TakeStatus(made);
  if (status.Failed()) return status;  // the library keeps no reference on failure
  if (handle == nullptr) return HostStatus::Fail(kNotRegistered);
  ObjectRef wrapped;
  status = WrapLibraryObject(*library, id, handle, &wrapped);
  if (status.Failed()) return status;
  if (object != nullptr) *object = std::move(wrapped);
  return HostStatus::Ok();
}

}  // namespace zeph
