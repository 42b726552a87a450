// libcurl, loaded when the first message is sent: a run that mails nothing
// does not pay for loading it and the thirty libraries it needs, about
// 12 ms of CPU at every start. The types and constants still come from
// <curl/curl.h>.
#pragma once

#include <curl/curl.h>

namespace zeph {

// The libcurl functions the SMTP transport calls.
struct CurlLibrary {
  CURL* (*easy_init)();
  CURLcode (*easy_setopt)(CURL*, CURLoption, ...);
  CURLcode (*easy_perform)(CURL*);
  CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...);
  void (*easy_cleanup)(CURL*);
  const char* (*easy_strerror)(CURLcode);
  curl_slist* (*slist_append)(curl_slist*, const char*);
  void (*slist_free_all)(curl_slist*);
};

// Loads libcurl (libcurl.so.4, or its GnuTLS or NSS build) and sets up its
// global state, once; throws Exception "Unable to load libcurl: <reason>"
// when it cannot, and tries again at the next call.
const CurlLibrary& Curl();

}  // namespace zeph
