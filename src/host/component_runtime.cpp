#include "host/component_runtime.h"

#include <dlfcn.h>

#include <fstream>
#include <map>
#include <mutex>
#include <string_view>

#include "util/encoding.h"
#include "util/files.h"

namespace zeph {
namespace {

constexpr char16_t kNotRegistered[] = u"Class not registered";

struct RuntimeState {
  std::mutex mutex;
  bool configured = false;
  std::string directory;                   // with a trailing delimiter
  std::map<std::string, void*> libraries;  // loaded once, never closed
};

RuntimeState& State() {
  static RuntimeState* state = new RuntimeState;  // outlives every static object
  return *state;
}

std::string_view TrimView(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
    if (x != y) return false;
  }
  return true;
}

// Value of `key` in section [InprocServers] of components.ini; empty when
// the file, the section or the key is missing. The first occurrence wins.
std::string RegisteredLibrary(const std::string& ini_path, std::string_view key) {
  std::ifstream in(ini_path, std::ios::binary);
  if (!in) return {};
  std::string line;
  bool in_section = false;
  bool first_line = true;
  while (std::getline(in, line)) {
    std::string_view view = line;
    if (first_line && view.substr(0, 3) == "\xEF\xBB\xBF") view.remove_prefix(3);
    first_line = false;
    view = TrimView(view);
    if (view.empty() || view.front() == ';' || view.front() == '#') continue;
    if (view.front() == '[') {
      size_t close = view.find(']');
      in_section = close != std::string_view::npos &&
                   SameName(TrimView(view.substr(1, close - 1)), "InprocServers");
      continue;
    }
    if (!in_section) continue;
    size_t eq = view.find('=');
    if (eq == std::string_view::npos || !SameName(TrimView(view.substr(0, eq)), key)) continue;
    std::string_view value = TrimView(view.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
  }
  return {};
}

// Loads the library once per process; returns its factory or a failure.
HostStatus Factory(RuntimeState& state, const std::string& path, ZephCreateInstanceFn* out) {
  void* handle = nullptr;
  auto found = state.libraries.find(path);
  if (found != state.libraries.end()) {
    handle = found->second;
  } else {
    handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* reason = ::dlerror();
      return HostStatus::Fail(Utf8ToWide("Cannot load library \"" + path +
                                         "\": " + (reason ? reason : "unknown error")));
    }
    state.libraries.emplace(path, handle);
  }
  ::dlerror();
  void* symbol = ::dlsym(handle, ZEPH_CREATE_INSTANCE_SYMBOL);
  if (symbol == nullptr) {
    const char* reason = ::dlerror();
    return HostStatus::Fail(Utf8ToWide("Library \"" + path +
                                       "\" has no entry point " ZEPH_CREATE_INSTANCE_SYMBOL ": " +
                                       (reason ? reason : "symbol is null")));
  }
  *out = reinterpret_cast<ZephCreateInstanceFn>(symbol);
  return HostStatus::Ok();
}

}  // namespace

void ComponentRuntime::Configure(const std::string& executable_directory) {
  RuntimeState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.directory = IncludeTrailingPathDelimiter(executable_directory);
  state.configured = true;
}

HostStatus ComponentRuntime::Create(ClassId id, ObjectRef* object) {
  if (object != nullptr) object->reset();
  RuntimeState& state = State();
  ZephCreateInstanceFn create = nullptr;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.configured) {
      state.directory = ExecutableDirectory();
      state.configured = true;
    }
    // Read at every creation: the file is tiny and may be edited between runs of a test.
    std::string library = RegisteredLibrary(state.directory + "components.ini", ClassName(id));
    if (library.empty()) return HostStatus::Fail(kNotRegistered);
    if (library.front() != '/') library = state.directory + library;
    HostStatus status = Factory(state, library, &create);
    if (status.Failed()) return status;
  }
  IHostObject* raw = nullptr;
  HostStatus status;
  try {
    status = create(ClassName(id), &raw);
  } catch (...) {
    return HostStatus::Fail(u"The component factory raised an exception");
  }
  if (status.Failed()) {
    delete raw;
    return status;
  }
  if (raw == nullptr) return HostStatus::Fail(kNotRegistered);
  if (object == nullptr) {
    delete raw;
    return HostStatus::Ok();
  }
  object->reset(raw);
  return HostStatus::Ok();
}

}  // namespace zeph
