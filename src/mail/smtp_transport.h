// One SMTP session over libcurl: connect, optional AUTH LOGIN, envelope and
// the streamed message, QUIT.
#pragma once

#include <string>
#include <vector>

#include "mail/message_stream.h"

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
  std::string user;                  // UTF-8
  std::string password;              // UTF-8
  std::string mail_from;             // bare address
  std::vector<std::string> rcpt_to;  // bare addresses, at least one
};

// Splits "host", "host:port", "[v6]" or "[v6]:port"; `default_port` applies
// without a port. Throws Exception for an empty name or a bad port.
void SplitServer(const std::string& server, int default_port, std::string& host, int& port);

// Sends `message` in one session. Throws Exception with the cause: libcurl's
// text with the server's reply code, a file error, or the refused login.
void SendBySmtp(const SmtpJob& job, const MailTimeouts& timeouts, MessageStream& message);

}  // namespace zeph
