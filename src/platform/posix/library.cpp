#include "platform/library.h"

#include <dlfcn.h>

namespace zeph::platform {

std::vector<std::string> CurlLibraryNames() {
  return {"libcurl.so.4", "libcurl-gnutls.so.4", "libcurl-nss.so.4"};
}

void* LoadLibraryFile(const std::string& path, std::string& error) {
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = ::dlerror();
    error = reason != nullptr ? reason : "unknown error";
  }
  return handle;
}

void* FindSymbol(void* library, const char* name, std::string& error) {
  ::dlerror();
  void* symbol = ::dlsym(library, name);
  if (symbol == nullptr) {
    const char* reason = ::dlerror();
    error = reason != nullptr ? reason : "symbol is null";
  }
  return symbol;
}

}  // namespace zeph::platform
