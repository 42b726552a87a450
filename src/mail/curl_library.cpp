#include "mail/curl_library.h"

#include <dlfcn.h>

#include <string>

#include "util/error.h"

#ifndef ZEPH_LIBCURL
#define ZEPH_LIBCURL "libcurl.so.4"
#endif

namespace zeph {
namespace {

template <class Function>
void Bind(void* library, const char* name, Function& out) {
  void* symbol = ::dlsym(library, name);
  if (symbol == nullptr) {
    throw Exception(std::string("Unable to load " ZEPH_LIBCURL ": no ") + name);
  }
  out = reinterpret_cast<Function>(symbol);
}

CurlLibrary Load() {
  // Kept for the life of the process: never closed.
  void* library = ::dlopen(ZEPH_LIBCURL, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = ::dlerror();
    throw Exception(std::string("Unable to load " ZEPH_LIBCURL ": ") + (why ? why : "unknown"));
  }
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
