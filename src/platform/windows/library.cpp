#include "platform/library.h"

#include <cstring>

#include "platform/windows/windows_support.h"

namespace zeph::platform {

std::vector<std::string> CurlLibraryNames() {
  return {"libcurl-4.dll", "libcurl.dll"};
}

void* LoadLibraryFile(const std::string& path, std::string& error) {
  // A library named with its directory finds the DLLs it needs beside it.
  const bool has_directory = path.find_first_of("\\/") != std::string::npos;
  HMODULE module = ::LoadLibraryExW(windows::Wide(path).c_str(), nullptr,
                                    has_directory ? LOAD_WITH_ALTERED_SEARCH_PATH : 0);
  if (module == nullptr) error = windows::SystemMessage(::GetLastError());
  return reinterpret_cast<void*>(module);
}

void* FindSymbol(void* library, const char* name, std::string& error) {
  FARPROC symbol = ::GetProcAddress(static_cast<HMODULE>(library), name);
  if (symbol == nullptr) {
    error = windows::SystemMessage(::GetLastError());
    return nullptr;
  }
  // A function's address as the data pointer the callers cast back.
  void* address = nullptr;
  static_assert(sizeof address == sizeof symbol);
  std::memcpy(&address, &symbol, sizeof address);
  return address;
}

}  // namespace zeph::platform
