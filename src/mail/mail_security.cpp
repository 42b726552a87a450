#include "mail/mail_security.h"

#include <strings.h>

#include "util/text.h"

namespace zeph {
namespace {

constexpr int kImplicitTlsPort = 465;

struct EncryptionName {
  const char* name;
  MailEncryption value;
};
constexpr EncryptionName kEncryptions[] = {{"auto", MailEncryption::kAuto},
                                           {"starttls", MailEncryption::kStartTls},
                                           {"tls", MailEncryption::kTls},
                                           {"brak", MailEncryption::kNone}};

struct MethodName {
  const char* name;
  SaslMethod value;
};
constexpr MethodName kMethods[] = {{"LOGIN", SaslMethod::kLogin},
                                   {"PLAIN", SaslMethod::kPlain},
                                   {"XOAUTH2", SaslMethod::kXoauth2}};

template <class Row, size_t N, class Value>
bool Lookup(const Row (&rows)[N], std::string_view text, Value& out) {
  const std::string value = Trim(text);
  if (value.empty()) {
    out = rows[0].value;
    return true;
  }
  for (const Row& row : rows) {
    if (strcasecmp(row.name, value.c_str()) == 0) {
      out = row.value;
      return true;
    }
  }
  return false;
}

bool IsBase64Of32Bytes(std::string_view text) {
  // 32 bytes are 43 characters and one '=' of padding.
  if (text.size() != 44 || text[43] != '=') return false;
  for (size_t i = 0; i < 43; ++i) {
    const char c = text[i];
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '+' || c == '/';
    if (!ok) return false;
  }
  return true;
}

}  // namespace

bool ParseMailEncryption(std::string_view text, MailEncryption& out) {
  return Lookup(kEncryptions, text, out);
}

bool ParseSaslMethod(std::string_view text, SaslMethod& out) {
  return Lookup(kMethods, text, out);
}

const char* MailEncryptionValues() {
  return "auto, starttls, tls, brak";
}

const char* SaslMethodValues() {
  return "LOGIN, PLAIN, XOAUTH2";
}

const char* SaslMethodName(SaslMethod method) {
  for (const MethodName& row : kMethods) {
    if (row.value == method) return row.name;
  }
  return "LOGIN";
}

bool ParsePins(std::string_view text, std::string& pins, std::string& bad) {
  constexpr std::string_view kPrefix = "sha256//";
  pins.clear();
  while (!text.empty()) {
    const size_t end = text.find(';');
    const std::string pin = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (pin.empty()) continue;
    if (pin.compare(0, kPrefix.size(), kPrefix) != 0 ||
        !IsBase64Of32Bytes(std::string_view(pin).substr(kPrefix.size()))) {
      bad = pin;
      return false;
    }
    if (!pins.empty()) pins += ';';
    pins += pin;
  }
  return true;
}

int DefaultMailPort(MailEncryption encryption, int plain_port) {
  return encryption == MailEncryption::kTls ? kImplicitTlsPort : plain_port;
}

}  // namespace zeph
