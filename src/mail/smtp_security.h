// The libcurl side of MailSecurity: the options that make a session use TLS,
// check the server and log in by the chosen method, and the operator's words
// for a TLS failure. Shared by the mail sender and the configuration check.
#pragma once

#include <curl/curl.h>

#include <string>

#include "mail/mail_security.h"

namespace zeph {

// "smtp://host:port", or "smtps://" for TLS from the first byte; an IPv6
// address in brackets.
std::string SmtpUrl(const std::string& host, int port, MailEncryption encryption);

// Sets the TLS options of `curl`. A verified mode checks the chain (against
// `ca_file` when set) and the name in the URL; with pins, the key must match
// one of them instead. Throws Exception when this libcurl lacks an option the
// settings need: the session must not go ahead without it.
void ApplyMailSecurity(CURL* curl, const MailSecurity& security);

// Sets the login: `user` and `password` (the bearer token for XOAUTH2),
// restricted to `method`. Throws Exception as ApplyMailSecurity.
void ApplyLogin(CURL* curl, SaslMethod method, const std::string& user,
                const std::string& password);

// The operator's text for a libcurl result that is a TLS failure
// ("certyfikat serwera pocztowego nie jest zaufany: <libcurl's reason>"),
// Windows-1250; empty for any other result.
std::string TlsFailureText(CURLcode result, const char* error_buffer);

// What to do when the name check failed because SerwerPocztowy is an IP
// address and libcurl's TLS is Windows' Schannel, which matches only a
// certificate's DNS names (ASCII); empty for any other failure.
std::string IpAddressNameHint(CURL* curl, CURLcode result, const char* error_buffer,
                              const std::string& host);

}  // namespace zeph
