// Composes the MIME message (RFC 5322, 2045-2049) as stream segments: a
// single text/plain part, or multipart/mixed with the body first and one
// Base64 part per attached file.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "mail/mail_address.h"
#include "mail/message_stream.h"

namespace zeph {

struct Attachment {
  std::string path;  // opened when the message is sent
  std::string name;  // UTF-8 name shown to the reader
};

struct MailContent {
  Mailbox from;
  std::vector<Mailbox> to;
  std::vector<Mailbox> cc;
  std::string subject;  // UTF-8
  std::string body;     // UTF-8, any line ends
  std::vector<Attachment> attachments;
  std::time_t date = 0;
  std::string message_id;  // "<...@...>"
};

std::vector<MessageSegment> BuildMessage(const MailContent& content);

// A fresh "<random.time@domain>" identifier for a message from `address`.
std::string NewMessageId(const std::string& address);

}  // namespace zeph
