// Header fields of the message: folding, encoded words in the subject and
// in display names, dates and attachment parameters. Texts are UTF-8.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "mail/mail_address.h"

namespace zeph {

// Replaces control characters (CR and LF above all) by blanks, so that a
// text can never start a header line of its own.
std::string CleanHeaderText(std::string_view text);

// "Name: piece piece ..." with CR LF, folded before a piece when a line would
// pass 78 characters. Every piece but the first starts with its whitespace.
std::string FoldField(std::string_view name, const std::vector<std::string>& pieces);

// Subject field: words holding non-ASCII characters become "Q" encoded
// words, the others stay as they are.
std::string SubjectField(std::string_view subject);

// From/To/Cc field of mailboxes; non-ASCII display names are encoded.
std::string MailboxField(std::string_view name, const std::vector<Mailbox>& boxes);

// RFC 5322 date of `when` in local time, e.g. "Tue, 01 Jul 2025 08:00:00 +0200".
std::string DateText(std::time_t when);

// Content-Type and Content-Disposition lines of an attachment named
// `file_name` (already cleaned), RFC 2231 encoded when needed.
std::string AttachmentFields(std::string_view file_name);

}  // namespace zeph
