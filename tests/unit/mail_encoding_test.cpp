// The pure functions of the mail sender: address lists, "Q" encoded words,
// quoted-printable, Base64 lines and the server text. The SMTP round trip is
// checked end to end against a real server.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail/mail_address.h"
#include "mail/mime_encoding.h"
#include "mail/smtp_transport.h"
#include "test_support.h"
#include "util/error.h"

namespace zeph {
namespace {

// --- address lists -----------------------------------------------------------

struct AddressCase {
  std::string name;
  std::string text;
  std::vector<std::pair<std::string, std::string>> boxes;  // display name, address
};

class AddressListTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(AddressListTest, Parses) {
  std::vector<std::pair<std::string, std::string>> got;
  for (const Mailbox& box : ParseAddressList(GetParam().text)) {
    got.emplace_back(box.display_name, box.address);
  }
  EXPECT_EQ(got, GetParam().boxes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddressListTest,
    ::testing::Values(
        AddressCase{"bare", "a@b.pl", {{"", "a@b.pl"}}},
        AddressCase{"commas_and_blanks", " a@b.pl ,, c@d.pl ,", {{"", "a@b.pl"}, {"", "c@d.pl"}}},
        AddressCase{"semicolon_separates", "a@b.pl;c@d.pl", {{"", "a@b.pl"}, {"", "c@d.pl"}}},
        AddressCase{"display_name", "Jan Kowalski <jan@b.pl>", {{"Jan Kowalski", "jan@b.pl"}}},
        AddressCase{"quoted_name_with_comma",
                    "\"Nowak, Anna\" <anna@b.pl>, x@y.pl",
                    {{"Nowak, Anna", "anna@b.pl"}, {"", "x@y.pl"}}},
        AddressCase{"comment_dropped", "(dział IT) it@b.pl", {{"", "it@b.pl"}}},
        AddressCase{"comma_inside_comment", "a@b.pl (x, y)", {{"", "a@b.pl"}}},
        AddressCase{"group_flattened",
                    "Zespół: a@b.pl, c@d.pl;, e@f.pl",
                    {{"", "a@b.pl"}, {"", "c@d.pl"}, {"", "e@f.pl"}}},
        AddressCase{"quoted_local_part", "\"a b\"@c.pl", {{"", "\"a b\"@c.pl"}}},
        AddressCase{"source_route", "<@relay.pl:a@b.pl>", {{"", "a@b.pl"}}},
        AddressCase{
            "blanks_collapse_in_name", "  Jan \t  Nowak   <j@n.pl>", {{"Jan Nowak", "j@n.pl"}}},
        AddressCase{"empty", "", {}}),
    CaseName());

struct BadAddressCase {
  std::string name;
  std::string text;
  std::string message;
};

class BadAddressListTest : public ::testing::TestWithParam<BadAddressCase> {};

TEST_P(BadAddressListTest, NamesTheElement) {
  try {
    ParseAddressList(GetParam().text);
    FAIL() << "parsed";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadAddressListTest,
    ::testing::Values(
        BadAddressCase{"no_at", "ok@b.pl, kowalski", "Invalid e-mail address: \"kowalski\""},
        BadAddressCase{"nothing_after_at", "a@", "Invalid e-mail address: \"a@\""},
        BadAddressCase{"blank_inside", "a b@c.pl", "Invalid e-mail address: \"a b@c.pl\""},
        BadAddressCase{"unclosed_angle", "Jan <j@n.pl", "Invalid e-mail address: \"Jan <j@n.pl\""},
        BadAddressCase{"text_after_angle", "<j@n.pl> x", "Invalid e-mail address: \"<j@n.pl> x\""},
        BadAddressCase{"line_break", "a\r\n@b.pl", "Invalid e-mail address: \"a\r\n@b.pl\""},
        BadAddressCase{"unclosed_quote", "\"a@b.pl", "Invalid e-mail address: \"\"a@b.pl\""}),
    CaseName());

// --- "Q" encoded words -------------------------------------------------------

struct QCase {
  std::string name;
  std::string text;
  std::vector<std::string> words;
};

class QEncodedWordsTest : public ::testing::TestWithParam<QCase> {};

TEST_P(QEncodedWordsTest, Encodes) {
  EXPECT_EQ(QEncodedWords(GetParam().text), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QEncodedWordsTest,
    ::testing::Values(QCase{"empty_gives_one_empty_word",
                            "",
                            {"=?UTF-8?Q?"
                             "?="}},
                      QCase{"letters_stay", "Raport", {"=?UTF-8?Q?Raport?="}},
                      QCase{"blank_becomes_underscore", "a b", {"=?UTF-8?Q?a_b?="}},
                      QCase{"specials_are_hex", "a_b=c?d\"", {"=?UTF-8?Q?a=5Fb=3Dc=3Fd=22?="}},
                      QCase{"polish_letters", "żółć", {"=?UTF-8?Q?=C5=BC=C3=B3=C5=82=C4=87?="}},
                      // 63 payload characters fit a 75-character word; the 64th starts a
                      // new one, and a character's bytes are never split between words.
                      QCase{"split_at_the_limit",
                            std::string(63, 'a') + "b",
                            {"=?UTF-8?Q?" + std::string(63, 'a') + "?=", "=?UTF-8?Q?b?="}},
                      QCase{"character_kept_whole",
                            std::string(61, 'a') + "ż",
                            {"=?UTF-8?Q?" + std::string(61, 'a') + "?=", "=?UTF-8?Q?=C5=BC?="}}),
    CaseName());

TEST(QEncodedWords, NoWordIsLongerThan75) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "zażółć ";
  for (const std::string& word : QEncodedWords(text)) EXPECT_LE(word.size(), 75u) << word;
}

// --- quoted-printable ------------------------------------------------------------

struct QpCase {
  std::string name;
  std::string text;
  std::string encoded;
};

class QuotedPrintableTest : public ::testing::TestWithParam<QpCase> {};

TEST_P(QuotedPrintableTest, Encodes) {
  EXPECT_EQ(QuotedPrintable(GetParam().text), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QuotedPrintableTest,
    ::testing::Values(QpCase{"ascii_stays", "Raport dzienny", "Raport dzienny"},
                      QpCase{"equals_sign", "a=b", "a=3Db"}, QpCase{"utf8_bytes", "ż", "=C5=BC"},
                      QpCase{"crlf_is_a_hard_break", "a\r\nb", "a\r\nb"},
                      QpCase{"bare_lf_is_encoded", "a\nb", "a=0Ab"},
                      QpCase{"blank_before_line_end", "a \r\nb\t", "a=20\r\nb=09"},
                      QpCase{"soft_break_at_75", std::string(80, 'x'),
                             std::string(75, 'x') + "=\r\n" + std::string(5, 'x')},
                      // An escape is never cut by a soft break.
                      QpCase{"escape_kept_whole", std::string(74, 'x') + "=",
                             std::string(74, 'x') + "=\r\n=3D"}),
    CaseName());

// --- Base64 lines ------------------------------------------------------------------

struct Base64Case {
  std::string name;
  std::string data;
  std::string encoded;
};

class Base64LinesTest : public ::testing::TestWithParam<Base64Case> {};

TEST_P(Base64LinesTest, Encodes) {
  std::string out = "prefix:";
  AppendBase64Lines(GetParam().data, out);
  EXPECT_EQ(out, "prefix:" + GetParam().encoded);
}

// Every length up to three lines and a half, bytes that never repeat in
// step with the encoder's groups: decoded again, line by line.
TEST(Base64Lines, DecodeBackToTheBytesInLinesOf76) {
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (size_t size = 0; size <= 200; ++size) {
    std::string data;
    for (size_t i = 0; i < size; ++i) data += static_cast<char>((i * 113 + size * 7 + 5) & 0xFF);
    std::string out;
    AppendBase64Lines(data, out);
    std::string decoded;
    uint32_t bits = 0;
    int count = 0;
    size_t line_start = 0;
    for (size_t i = 0; i < out.size(); ++i) {
      if (out[i] == '\r') {
        ASSERT_EQ(out[i + 1], '\n');
        EXPECT_LE(i - line_start, 76u);
        line_start = i + 2;
        ++i;
        continue;
      }
      if (out[i] == '=') continue;
      size_t value = alphabet.find(out[i]);
      ASSERT_NE(value, std::string::npos) << size;
      bits = (bits << 6) | static_cast<uint32_t>(value);
      if ((count += 6) >= 8) {
        count -= 8;
        decoded += static_cast<char>((bits >> count) & 0xFF);
      }
    }
    EXPECT_EQ(decoded, data) << size;
  }
}

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Base64LinesTest,
    ::testing::Values(Base64Case{"empty", "", ""}, Base64Case{"one_byte", "f", "Zg==\r\n"},
                      Base64Case{"two_bytes", "fo", "Zm8=\r\n"},
                      Base64Case{"three_bytes", "foo", "Zm9v\r\n"},
                      Base64Case{"high_bytes", std::string("\xff\xfe\x00", 3), "//4A\r\n"},
                      // 57 bytes fill one 76-character line exactly.
                      Base64Case{"one_full_line", Repeat("abc", 19), Repeat("YWJj", 19) + "\r\n"},
                      Base64Case{"full_line_and_one", Repeat("abc", 19) + "a",
                                 Repeat("YWJj", 19) + "\r\nYQ==\r\n"},
                      Base64Case{"two_full_lines", Repeat("abc", 38),
                                 Repeat("YWJj", 19) + "\r\n" + Repeat("YWJj", 19) + "\r\n"}),
    CaseName());

// --- the server text ----------------------------------------------------------------

struct ServerCase {
  std::string name;
  std::string text;
  std::string host;  // empty: refused with `error`
  int port;
  std::string error;
};

class SplitServerTest : public ::testing::TestWithParam<ServerCase> {};

TEST_P(SplitServerTest, Splits) {
  const ServerCase& c = GetParam();
  std::string host;
  int port = 0;
  if (c.host.empty()) {
    try {
      SplitServer(c.text, 25, host, port);
      FAIL() << "accepted as " << host << " " << port;
    } catch (const Exception& e) {
      EXPECT_EQ(std::string(e.what()), c.error);
    }
    return;
  }
  SplitServer(c.text, 25, host, port);
  EXPECT_EQ(host, c.host);
  EXPECT_EQ(port, c.port);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitServerTest,
    ::testing::Values(
        ServerCase{"name", "smtp.example.pl", "smtp.example.pl", 25, ""},
        ServerCase{"name_and_port", " smtp.example.pl:587 ", "smtp.example.pl", 587, ""},
        ServerCase{"bare_ipv6", "::1", "::1", 25, ""},
        ServerCase{"bracketed_ipv6", "[::1]", "::1", 25, ""},
        ServerCase{"bracketed_ipv6_and_port", "[fe80::1]:2525", "fe80::1", 2525, ""},
        ServerCase{"highest_port", "h:65535", "h", 65535, ""},
        ServerCase{"empty", "  ", "", 0, "No SMTP server is set."},
        ServerCase{"port_zero", "h:0", "", 0, "Invalid SMTP server port: \"h:0\""},
        ServerCase{"port_too_high", "h:65536", "", 0, "Invalid SMTP server port: \"h:65536\""},
        ServerCase{"port_not_digits", "h:2a", "", 0, "Invalid SMTP server port: \"h:2a\""},
        ServerCase{"port_missing", "h:", "", 0, "Invalid SMTP server port: \"h:\""},
        ServerCase{"unclosed_bracket", "[::1", "", 0, "Invalid SMTP server: \"[::1\""},
        ServerCase{"text_after_bracket", "[::1]x", "", 0, "Invalid SMTP server: \"[::1]x\""},
        ServerCase{"url_characters", "a/b", "", 0, "Invalid SMTP server: \"a/b\""},
        ServerCase{"blank_inside", "a b", "", 0, "Invalid SMTP server: \"a b\""}),
    CaseName());

}  // namespace
}  // namespace zeph
