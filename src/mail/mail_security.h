// How a mail session is protected and how it logs in: the TLS mode, the
// trusted CAs, the pinned server keys and the SASL method, with the forms
// their serwery.ini keys take.
#pragma once

#include <string>
#include <string_view>

namespace zeph {

enum class MailEncryption {
  kAuto,      // STARTTLS when offered, certificate not checked; plain otherwise
  kStartTls,  // STARTTLS required, certificate checked
  kTls,       // TLS from the first byte, certificate checked
  kNone,      // never TLS
};

enum class SaslMethod { kLogin, kPlain, kXoauth2 };

struct MailSecurity {
  MailEncryption encryption = MailEncryption::kAuto;
  std::string ca_file;  // PEM file of trusted CAs; empty: the system's store
  std::string pins;     // "sha256//<base64>;..." as libcurl takes them; empty: none
  SaslMethod method = SaslMethod::kLogin;

  // A trust anchor (a CA file or a pin) makes TLS required: `auto` then
  // behaves as `starttls`; a configured anchor is never left unused.
  bool TlsRequired() const {
    return encryption == MailEncryption::kStartTls || encryption == MailEncryption::kTls ||
           (encryption == MailEncryption::kAuto && (!pins.empty() || !ca_file.empty()));
  }
};

// The values of SzyfrowaniePoczty and MetodaUwierzytelniania, compared
// without regard to case; an empty value is the default. False for any other.
bool ParseMailEncryption(std::string_view text, MailEncryption& out);
bool ParseSaslMethod(std::string_view text, SaslMethod& out);
// The values allowed, for messages: "auto, starttls, tls, brak".
const char* MailEncryptionValues();
const char* SaslMethodValues();
const char* SaslMethodName(SaslMethod method);  // "LOGIN", "PLAIN", "XOAUTH2"

// KluczSerweraPocztowego: pins separated by ';', blanks around them ignored,
// each "sha256//" and the Base64 of 32 bytes. Returns them joined by ';' in
// `pins`, or false with the first malformed pin in `bad`.
bool ParsePins(std::string_view text, std::string& pins, std::string& bad);

// The port when SerwerPocztowy names none: 465 for TLS from the first byte,
// otherwise `plain_port`.
int DefaultMailPort(MailEncryption encryption, int plain_port);

}  // namespace zeph
