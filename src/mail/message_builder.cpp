#include "mail/message_builder.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <random>

#include "mail/mime_encoding.h"
#include "mail/mime_header.h"

namespace zeph {
namespace {

// RFC 5322 allows 998 characters before the CR LF.
constexpr size_t kLongestLine = 998;

std::string RandomHex(size_t digits) {
  static std::random_device device;
  std::mt19937_64 engine((static_cast<uint64_t>(device()) << 32) ^ device());
  std::string out;
  while (out.size() < digits) {
    char buffer[17];
    std::snprintf(buffer, sizeof(buffer), "%016llx", static_cast<unsigned long long>(engine()));
    out += buffer;
  }
  out.resize(digits);
  return out;
}

// Any line end (CR LF, LF, CR) becomes CR LF; the text ends with one.
std::string CanonicalLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32 + 2);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\r\n";
    } else if (text[i] == '\n') {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  if (out.size() < 2 || out.compare(out.size() - 2, 2, "\r\n") != 0) out += "\r\n";
  return out;
}

bool HasLongLine(std::string_view text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    if (end - start > kLongestLine) return true;
    start = end + 2;
  }
  return false;
}

}  // namespace

std::string NewMessageId(const std::string& address) {
  size_t at = address.rfind('@');
  std::string domain = at == std::string::npos ? "" : CleanHeaderText(address.substr(at + 1));
  bool usable = !domain.empty();
  for (char c : domain) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') usable = false;
  }
  if (!usable) domain = "zephautomat.localhost";
  return "<" + RandomHex(24) + "." + std::to_string(std::time(nullptr)) + "@" + domain + ">";
}

std::vector<MessageSegment> BuildMessage(const MailContent& content) {
  std::string body = CanonicalLines(content.body);
  // 8bit allows no line over 998 bytes; quoted-printable folds them.
  const char* body_encoding = "8bit";
  if (HasLongLine(body)) {
    body = QuotedPrintable(body);
    body_encoding = "quoted-printable";
  }
  std::string body_fields =
      "Content-Type: text/plain; charset=UTF-8\r\n"
      "Content-Transfer-Encoding: " +
      std::string(body_encoding) + "\r\n";

  std::string head = "Date: " + DateText(content.date) + "\r\n";
  head += MailboxField("From", {content.from});
  head += MailboxField("To", content.to);
  if (!content.cc.empty()) head += MailboxField("Cc", content.cc);
  head += SubjectField(content.subject);
  head += "Message-ID: " + content.message_id + "\r\n";
  head += "MIME-Version: 1.0\r\n";
  head += "X-Priority: 3\r\n";

  std::vector<MessageSegment> segments;
  if (content.attachments.empty()) {
    segments.push_back(MessageSegment::Text(head + body_fields + "\r\n"));
    segments.push_back(MessageSegment::Text(std::move(body)));
    return segments;
  }
  // The "=_" cannot occur in Base64 or quoted-printable text; the random
  // part makes a clash with an 8bit body line practically impossible.
  std::string boundary = "=_ZephAutomat_" + RandomHex(24);
  head += "Content-Type: multipart/mixed;\r\n boundary=\"" + boundary + "\"\r\n\r\n";
  head += "This is a multi-part message in MIME format.\r\n";
  head += "--" + boundary + "\r\n" + body_fields + "\r\n";
  segments.push_back(MessageSegment::Text(std::move(head)));
  segments.push_back(MessageSegment::Text(std::move(body)));
  for (const Attachment& file : content.attachments) {
    // The CR LF before a delimiter belongs to the delimiter, not to the part.
    segments.push_back(MessageSegment::Text("\r\n--" + boundary + "\r\n" +
                                            AttachmentFields(CleanHeaderText(file.name)) + "\r\n"));
    segments.push_back(MessageSegment::File(file.path));
  }
  segments.push_back(MessageSegment::Text("\r\n--" + boundary + "--\r\n"));
  return segments;
}

}  // namespace zeph
