#include "util/text.h"

#include <gtest/gtest.h>

#include "util/encoding.h"
#include "util/error.h"

namespace zeph {
namespace {

TEST(Text, YesNoAndChoice) {
  EXPECT_EQ(YesNoText(true), "tak");
  EXPECT_EQ(YesNoText(false), "nie");
  EXPECT_EQ(ChooseText(true, "a", "b"), "a");
  EXPECT_EQ(ChooseText(false, "a", "b"), "b");
}

TEST(Text, FormatReplacesEachPlaceholderOnce) {
  EXPECT_EQ(FormatS("[%s].[%s] x", {"S", "D"}), "[S].[D] x");
  // Values are inserted as they are, even when they hold "%s".
  EXPECT_EQ(FormatS("%s-%s", {"%s", "b"}), "%s-b");
  EXPECT_EQ(FormatS("%s %s", {"a"}), "a ");
  EXPECT_EQ(FormatS("100%%", {}), "100%");
  EWyjatek e("Błędne dane dla serwera: %s", {"S1"}, 0);
  EXPECT_STREQ(e.what(), "Błędne dane dla serwera: S1");
  EXPECT_EQ(e.Code(), 0);
}

TEST(Text, UpperCaseCoversPolishLetters) {
  EXPECT_EQ(UpperCase1250("/ek"), "/EK");
  EXPECT_EQ(UpperCase1250(Text1250("ąćęłńóśźż")), Text1250("ĄĆĘŁŃÓŚŹŻ"));
}

TEST(Encoding, RoundTripsAndReplacesWhatTheCodePageLacks) {
  const std::string ansi = Text1250("BŁĄD: Księgowy");
  EXPECT_EQ(ansi,
            "B\xA3\xA5"
            "D: Ksi\xEAgowy");
  EXPECT_EQ(WideToAnsi(AnsiToWide(ansi)), ansi);
  EXPECT_EQ(AnsiToUtf8(ansi), "BŁĄD: Księgowy");
  EXPECT_EQ(WideToAnsi(u"a\u4e2db\U0001F600c"), "a?b?c");
  // Malformed UTF-8 never throws.
  EXPECT_EQ(Utf8ToWide("a\xC3"), u"a\uFFFD");
  EXPECT_EQ(Utf8ToWide("\xE2\x82"), u"\uFFFD\uFFFD");
  // Every byte survives the trip through UTF-16.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(WideToAnsi(AnsiToWide(all)), all);
}

}  // namespace
}  // namespace zeph
