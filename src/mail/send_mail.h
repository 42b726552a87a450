// The mail sender: one plain-text message, with files attached, sent over
// SMTP. Texts are the program's Windows-1250 texts.
#pragma once

#include <string>
#include <vector>

#include "mail/smtp_transport.h"

namespace zeph {

// Sends one message with its own connection. Returns true when the server
// accepted it. On failure throws Exception with the wrapped message when
// `raise_on_failure` is set, otherwise returns false.
bool SendMail(const std::string& server, const std::string& sender_name,
              const std::string& sender_address, const std::string& copy_recipients,
              bool raise_on_failure, int port, const std::string& password, const std::string& user,
              bool authenticate, const std::vector<std::string>* attachments,
              const std::string& body, const std::string& subject, const std::string& recipients);

// The arguments of SendMail but the failure switch, as one record.
struct MailRequest {
  std::string server;
  std::string sender_name;
  std::string sender_address;
  std::string copy_recipients;
  int port = 25;
  std::string password;
  std::string user;
  bool authenticate = false;
  std::vector<std::string> attachments;
  std::string body;
  std::string subject;
  std::string recipients;
  MailSecurity security;         // TLS and the login method
  std::string password_command;  // when set, the password is its output, not `password`
};

// SendMail with chosen time-outs (SendMail uses the defaults of MailTimeouts).
bool SendMail(const MailRequest& request, bool raise_on_failure, const MailTimeouts& timeouts);

// The text a mail failure is reported with, around the cause `message`.
std::string MailFailureText(const std::string& message);

}  // namespace zeph
