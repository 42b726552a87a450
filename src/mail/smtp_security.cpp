#include "mail/smtp_security.h"

#include <string_view>

#include "mail/curl_library.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

// What failed, in the operator's words, by libcurl's result.
struct TlsFailure {
  CURLcode result;
  const char* text;  // UTF-8
};
constexpr TlsFailure kTlsFailures[] = {
    {CURLE_USE_SSL_FAILED, "serwer pocztowy nie oferuje STARTTLS"},
    {CURLE_PEER_FAILED_VERIFICATION, "certyfikat serwera pocztowego nie jest zaufany"},
    {CURLE_SSL_PINNEDPUBKEYNOTMATCH,
     "klucz serwera pocztowego nie zgadza się z żadnym z KluczSerweraPocztowego"},
    {CURLE_SSL_CACERT_BADFILE, "nie można użyć pliku CertyfikatyCA"},
    {CURLE_SSL_CONNECT_ERROR, "nie udało się nawiązać połączenia TLS z serwerem pocztowym"},
    {CURLE_SSL_CERTPROBLEM, "nie udało się nawiązać połączenia TLS z serwerem pocztowym"},
    {CURLE_SSL_CIPHER, "nie udało się nawiązać połączenia TLS z serwerem pocztowym"},
    {CURLE_SSL_ISSUER_ERROR, "certyfikat serwera pocztowego nie jest zaufany"},
    {CURLE_SSL_INVALIDCERTSTATUS, "certyfikat serwera pocztowego nie jest zaufany"},
    {CURLE_SSL_ENGINE_INITFAILED, "nie udało się nawiązać połączenia TLS z serwerem pocztowym"},
};

// libcurl reports a wrong name with the same result as an untrusted chain;
// its text tells them apart: OpenSSL's "... does not match target host name
// ..." and "no alternative certificate subject name matches target host name
// ...", Schannel's "CertGetNameString() failed to match connection hostname
// ..." (a CA file given) and Windows' own check's SEC_E_WRONG_PRINCIPAL.
constexpr std::string_view kNameMismatchTexts[] = {"host name", "match connection hostname",
                                                   "SEC_E_WRONG_PRINCIPAL"};

bool IsNameMismatch(std::string_view reason) {
  for (std::string_view text : kNameMismatchTexts) {
    if (reason.find(text) != std::string_view::npos) return true;
  }
  return false;
}

std::string ReasonOf(CURLcode result, const char* error_buffer) {
  return error_buffer != nullptr && error_buffer[0] != '\0'
             ? std::string(error_buffer)
             : std::string(Curl().easy_strerror(result));
}

// An IPv4 address in dotted decimal, or an IPv6 address (no host name has a ':').
bool IsIpAddress(std::string_view host) {
  if (host.find(':') != std::string_view::npos) return true;
  int dots = 0;
  for (char c : host) {
    if (c == '.') {
      ++dots;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return dots == 3;
}

bool UsesSchannel(CURL* curl) {
  curl_tlssessioninfo* session = nullptr;
  return Curl().easy_getinfo(curl, CURLINFO_TLS_SSL_PTR, &session) == CURLE_OK &&
         session != nullptr && session->backend == CURLSSLBACKEND_SCHANNEL;
}

void Set(CURL* curl, CURLoption option, const char* name, long value) {
  CURLcode result = Curl().easy_setopt(curl, option, value);
  if (result != CURLE_OK) {
    throw Exception(std::string("libcurl cannot set ") + name + ": " +
                    Curl().easy_strerror(result));
  }
}

void Set(CURL* curl, CURLoption option, const char* name, const std::string& value) {
  CURLcode result = Curl().easy_setopt(curl, option, value.c_str());
  if (result != CURLE_OK) {
    throw Exception(std::string("libcurl cannot set ") + name + ": " +
                    Curl().easy_strerror(result));
  }
}

}  // namespace

std::string SmtpUrl(const std::string& host, int port, MailEncryption encryption) {
  const bool ipv6 = host.find(':') != std::string::npos;
  return std::string(encryption == MailEncryption::kTls ? "smtps://" : "smtp://") +
         (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

void ApplyMailSecurity(CURL* curl, const MailSecurity& security) {
  if (security.encryption == MailEncryption::kNone) return;  // libcurl's default: no TLS
  if (!security.TlsRequired()) {
    // Opportunistic: whatever certificate the server shows is taken, so
    // that a server with a self-made one keeps getting the mail.
    Set(curl, CURLOPT_USE_SSL, "CURLOPT_USE_SSL", static_cast<long>(CURLUSESSL_TRY));
    Set(curl, CURLOPT_SSL_VERIFYPEER, "CURLOPT_SSL_VERIFYPEER", 0L);
    Set(curl, CURLOPT_SSL_VERIFYHOST, "CURLOPT_SSL_VERIFYHOST", 0L);
    return;
  }
  // Without TLS libcurl stops before the login and the envelope.
  Set(curl, CURLOPT_USE_SSL, "CURLOPT_USE_SSL", static_cast<long>(CURLUSESSL_ALL));
  if (!security.ca_file.empty()) Set(curl, CURLOPT_CAINFO, "CURLOPT_CAINFO", security.ca_file);
  // Schannel refuses a certificate whose revocation it cannot look up (an
  // internal CA publishes no list): checked where a list is published, as
  // on the other backends, which do not look at all.
  Set(curl, CURLOPT_SSL_OPTIONS, "CURLOPT_SSL_OPTIONS",
      static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
  if (security.pins.empty()) {
    Set(curl, CURLOPT_SSL_VERIFYPEER, "CURLOPT_SSL_VERIFYPEER", 1L);
    Set(curl, CURLOPT_SSL_VERIFYHOST, "CURLOPT_SSL_VERIFYHOST", 2L);
    return;
  }
  // The pinned key is the server's identity: an internal server's
  // self-signed certificate has no chain to check, and often no name of ours.
  Set(curl, CURLOPT_PINNEDPUBLICKEY, "CURLOPT_PINNEDPUBLICKEY", security.pins);
  Set(curl, CURLOPT_SSL_VERIFYPEER, "CURLOPT_SSL_VERIFYPEER", 0L);
  Set(curl, CURLOPT_SSL_VERIFYHOST, "CURLOPT_SSL_VERIFYHOST", 0L);
}

void ApplyLogin(CURL* curl, SaslMethod method, const std::string& user,
                const std::string& password) {
  Set(curl, CURLOPT_USERNAME, "CURLOPT_USERNAME", user);
  Set(curl, CURLOPT_LOGIN_OPTIONS, "CURLOPT_LOGIN_OPTIONS",
      std::string("AUTH=") + SaslMethodName(method));
  if (method == SaslMethod::kXoauth2) {
    Set(curl, CURLOPT_XOAUTH2_BEARER, "CURLOPT_XOAUTH2_BEARER", password);
  } else {
    Set(curl, CURLOPT_PASSWORD, "CURLOPT_PASSWORD", password);
  }
}

std::string TlsFailureText(CURLcode result, const char* error_buffer) {
  for (const TlsFailure& failure : kTlsFailures) {
    if (failure.result != result) continue;
    const std::string reason = ReasonOf(result, error_buffer);
    const char* what =
        result == CURLE_PEER_FAILED_VERIFICATION && IsNameMismatch(reason)
            ? "nazwa serwera pocztowego (SerwerPocztowy) nie zgadza się z jego certyfikatem"
            : failure.text;
    return Text1250(what) + ": " + reason;
  }
  return {};
}

std::string IpAddressNameHint(CURL* curl, CURLcode result, const char* error_buffer,
                              const std::string& host) {
  if (result != CURLE_PEER_FAILED_VERIFICATION || !IsIpAddress(host) ||
      !IsNameMismatch(ReasonOf(result, error_buffer)) || !UsesSchannel(curl)) {
    return {};
  }
  return "SerwerPocztowy names the mail server by its IP address " + host +
         ", and Windows' TLS (Schannel) matches a certificate against its DNS names only: name "
         "the server by a DNS name its certificate carries, or pin its key with "
         "KluczSerweraPocztowego";
}

}  // namespace zeph
