// The forms of the TLS and login keys: what each value means and which pins
// are taken; the operator's words for libcurl's TLS failures, whichever TLS
// backend reported them. What a session does with them is checked against
// real servers.
#include "mail/mail_security.h"

#include <gtest/gtest.h>

#include <string>

#include "mail/smtp_security.h"
#include "util/text.h"

namespace zeph {
namespace {

TEST(MailSecurityTest, EncryptionValues) {
  struct Case {
    const char* text;
    bool ok;
    MailEncryption value;
  };
  const Case cases[] = {
      {"", true, MailEncryption::kAuto},     {"  ", true, MailEncryption::kAuto},
      {"Auto", true, MailEncryption::kAuto}, {"STARTTLS", true, MailEncryption::kStartTls},
      {" tls ", true, MailEncryption::kTls}, {"BRAK", true, MailEncryption::kNone},
      {"ssl", false, MailEncryption::kAuto}, {"starttls tls", false, MailEncryption::kAuto},
      {"tak", false, MailEncryption::kAuto},
  };
  for (const Case& c : cases) {
    MailEncryption got = MailEncryption::kAuto;
    EXPECT_EQ(ParseMailEncryption(c.text, got), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(got, c.value) << c.text;
    }
  }
}

TEST(MailSecurityTest, MethodValues) {
  SaslMethod got = SaslMethod::kLogin;
  EXPECT_TRUE(ParseSaslMethod("", got) && got == SaslMethod::kLogin);
  EXPECT_TRUE(ParseSaslMethod("plain", got) && got == SaslMethod::kPlain);
  EXPECT_TRUE(ParseSaslMethod("XOauth2", got) && got == SaslMethod::kXoauth2);
  EXPECT_FALSE(ParseSaslMethod("CRAM-MD5", got));
  EXPECT_STREQ(SaslMethodName(SaslMethod::kXoauth2), "XOAUTH2");
}

TEST(MailSecurityTest, Pins) {
  const std::string a = "sha256//" + std::string(43, 'A') + "=";
  const std::string b = "sha256//abc+/0123456789abcdefghijklmnopqrstuvwxyzAB=";
  struct Case {
    std::string text;
    bool ok;
    std::string pins_or_bad;
  };
  const Case cases[] = {
      {"", true, ""},
      {" " + a + " ", true, a},
      {a + " ; " + b + ";", true, a + ";" + b},
      {";;" + a, true, a},
      {"sha1//" + std::string(27, 'A') + "=", false, "sha1//" + std::string(27, 'A') + "="},
      {a + ";sha256//short=", false, "sha256//short="},
      {"SHA256//" + std::string(43, 'A') + "=", false, "SHA256//" + std::string(43, 'A') + "="},
      {"sha256//" + std::string(44, 'A'), false, "sha256//" + std::string(44, 'A')},
      {"sha256//" + std::string(42, 'A') + "!=", false, "sha256//" + std::string(42, 'A') + "!="},
  };
  for (const Case& c : cases) {
    std::string pins;
    std::string bad;
    ASSERT_EQ(ParsePins(c.text, pins, bad), c.ok) << c.text;
    EXPECT_EQ(c.ok ? pins : bad, c.pins_or_bad) << c.text;
  }
}

TEST(MailSecurityTest, PinOrVerifiedModeRequiresTls) {
  MailSecurity security;
  EXPECT_FALSE(security.TlsRequired());
  security.pins = "sha256//x";
  EXPECT_TRUE(security.TlsRequired());
  security.encryption = MailEncryption::kNone;
  EXPECT_FALSE(security.TlsRequired());
  security.pins.clear();
  security.encryption = MailEncryption::kStartTls;
  EXPECT_TRUE(security.TlsRequired());
  EXPECT_EQ(DefaultMailPort(MailEncryption::kTls, 25), 465);
  EXPECT_EQ(DefaultMailPort(MailEncryption::kStartTls, 25), 25);
}

// libcurl gives a wrong name the result of an untrusted chain; the texts of
// its OpenSSL and of Schannel (the Windows build) tell them apart.
TEST(MailSecurityTest, TlsFailureTellsAWrongNameFromAnUntrustedChain) {
  const std::string wrong_name =
      "nazwa serwera pocztowego (SerwerPocztowy) nie zgadza się z jego certyfikatem: ";
  const std::string untrusted = "certyfikat serwera pocztowego nie jest zaufany: ";
  struct Case {
    const char* reason;
    const std::string& what;
  };
  const Case cases[] = {
      {"SSL: no alternative certificate subject name matches target host name 'localhost'",
       wrong_name},
      {"SSL: certificate subject name 'poczta' does not match target host name 'localhost'",
       wrong_name},
      {"schannel: CertGetNameString() failed to match connection hostname (127.0.0.1) against "
       "server certificate names",
       wrong_name},
      {"schannel: SNI or certificate check failed: SEC_E_WRONG_PRINCIPAL (0x80090322) - The "
       "target principal name is incorrect.",
       wrong_name},
      {"SSL certificate problem: self-signed certificate", untrusted},
      {"schannel: CertGetCertificateChain trust error CERT_TRUST_IS_UNTRUSTED_ROOT", untrusted},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TlsFailureText(CURLE_PEER_FAILED_VERIFICATION, c.reason),
              Text1250(c.what) + c.reason);
  }
  EXPECT_EQ(TlsFailureText(CURLE_COULDNT_CONNECT, "Connection refused"), "");
}

}  // namespace
}  // namespace zeph
