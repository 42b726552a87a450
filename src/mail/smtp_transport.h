// One SMTP session over libcurl: connect, TLS as configured, optional login,
// envelope and the streamed message, QUIT.
#pragma once

#include <string>
#include <vector>

#include "mail/mail_security.h"
#include "mail/message_stream.h"
#include "util/error.h"

namespace zeph {

struct MailTimeouts {
  long connect_seconds = 30;    // TCP connect, name lookup included
  long response_seconds = 60;   // each server reply, the greeting and EHLO included
  long low_speed_seconds = 60;  // under one byte a second this long aborts
  long quit_seconds = 5;        // the answer to QUIT, after which we hang up
};

struct SmtpJob {
  std::string host;  // name or address, IPv6 without brackets
  int port = 25;
  bool authenticate = false;
  std::string user;      // UTF-8
  std::string password;  // UTF-8; the bearer token for XOAUTH2
  MailSecurity security;
  std::string mail_from;             // bare address
  std::vector<std::string> rcpt_to;  // bare addresses, at least one
};

// The server refused the login, offered not the configured method, or
// offered no login at all: "Błąd autentykacji (TidSMTP.Authenticate).".
class LoginRefusedError : public Exception {
 public:
  LoginRefusedError();
};

// Splits "host", "host:port", "[v6]" or "[v6]:port"; `default_port` applies
// without a port. Throws Exception for an empty name or a bad port.
void SplitServer(const std::string& server, int default_port, std::string& host, int& port);

// Sends `message` in one session. Throws Exception with the cause: libcurl's
// text with the server's reply code, a file error, or the refused login.
// TLS failures are also written to standard error.
void SendBySmtp(const SmtpJob& job, const MailTimeouts& timeouts, MessageStream& message);

// What a session without a message saw, for the configuration check.
struct SmtpSessionInfo {
  bool ehlo_seen = false;
  std::vector<std::string> extensions;  // of the last EHLO reply (inside TLS after STARTTLS)
  bool tls = false;
  std::string tls_version;               // "TLSv1.3 / TLS_AES_256_GCM_SHA384"
  std::vector<std::string> certificate;  // the server certificate's "Name:value" fields
  bool login_accepted = false;
  std::string last_reply;  // the server's last reply line before QUIT
  std::string hint;        // what to do about a TLS failure, when known (ASCII)
};

// Greeting, EHLO, TLS and the login of `job` as for a message, then QUIT;
// no envelope and no message. Throws Exception as SendBySmtp; `info` holds
// what was seen up to then.
void ProbeBySmtp(const SmtpJob& job, const MailTimeouts& timeouts, SmtpSessionInfo& info);

}  // namespace zeph
