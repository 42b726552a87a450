#include "mail/curl_library.h"

#include <string>

#include "platform/library.h"
#include "util/error.h"

namespace zeph {
namespace {

template <class Function>
void Bind(void* library, const char* name, Function& out) {
  std::string error;
  void* symbol = platform::FindSymbol(library, name, error);
  if (symbol == nullptr) throw Exception(std::string("Unable to load libcurl: no ") + name);
  out = reinterpret_cast<Function>(symbol);
}

CurlLibrary Load() {
  // Kept for the life of the process: never closed.
  void* library = nullptr;
  std::string why;
  // The first of libcurl's names that loads is used.
  for (const std::string& name : platform::CurlLibraryNames()) {
    std::string error;
    library = platform::LoadLibraryFile(name, error);
    if (library != nullptr) break;
    if (why.empty()) why = error.empty() ? name : error;
  }
  if (library == nullptr) throw Exception("Unable to load libcurl: " + why);
  CurlLibrary curl{};
  Bind(library, "curl_easy_init", curl.easy_init);
  Bind(library, "curl_easy_setopt", curl.easy_setopt);
  Bind(library, "curl_easy_perform", curl.easy_perform);
  Bind(library, "curl_easy_getinfo", curl.easy_getinfo);
  Bind(library, "curl_easy_cleanup", curl.easy_cleanup);
  Bind(library, "curl_easy_strerror", curl.easy_strerror);
  Bind(library, "curl_slist_append", curl.slist_append);
  Bind(library, "curl_slist_free_all", curl.slist_free_all);
  CURLcode (*global_init)(long) = nullptr;
  Bind(library, "curl_global_init", global_init);
  // Not thread-safe, hence here, once: the first message is sent before
  // any other thread could send one.
  if (CURLcode result = global_init(CURL_GLOBAL_DEFAULT); result != CURLE_OK) {
    throw Exception(curl.easy_strerror(result));
  }
  return curl;
}

}  // namespace

const CurlLibrary& Curl() {
  static const CurlLibrary curl = Load();
  return curl;
}

}  // namespace zeph
