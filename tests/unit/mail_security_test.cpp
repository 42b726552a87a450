// The forms of the TLS and login keys: what each value means and which pins
// are taken. What a session does with them is checked against real servers.
#include "mail/mail_security.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace zeph
