#include "config/ini_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ini_test_fixture.h"
#include "test_support.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

using ::zeph::PrintTo;  // table cases print as their name

using namespace std::string_literals;

// ---- Reading ----

struct ReadCase {
  const char* name;
  std::string file;
  std::string section;
  std::string key;
  std::string expected;  // "<default>" when the key is missing
};

class IniRead : public IniTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(IniRead, ValueFollowsProfileRules) {
  const ReadCase& c = GetParam();
  Put(c.file);
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), c.expected);
  // The same key found with others of its section in one pass.
  IniKeySet keys({"other", c.key});
  std::vector<uint32_t> lines;
  ini.FindKeys(c.section, keys, lines);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(ini.ReadKey(lines[1], c.key, "<default>"), c.expected);
  EXPECT_EQ(Get(), c.file) << "reading never changes the file";
}

const std::string kLong(3000, 'x');

INSTANTIATE_TEST_SUITE_P(
    Rules, IniRead,
    ::testing::Values(
        ReadCase{"CrLf", "[s]\r\nk=v\r\n", "s", "k", "v"},
        ReadCase{"LfOnly", "[s]\nk=v\n", "s", "k", "v"},
        ReadCase{"CrOnly", "[s]\rk=v\rj=w", "s", "j", "w"},
        ReadCase{"NoFinalLineEnd", "[s]\r\nk=v", "s", "k", "v"},
        ReadCase{"TrimsBlanksAndControls", "[s]\n \tKey \x0b= \x0c v a \t\n", "s", "key", "v a"},
        ReadCase{"HeaderRunsToLastBracket", "  [ a]b ] tail\nk=v\n", "a]b", "k", "v"},
        ReadCase{"FirstEqualsSplits", "[s]\nk = a=b\n", "s", "k", "a=b"},
        ReadCase{"EmptyValueIsPresent", "[s]\nk=\n", "s", "k", ""},
        ReadCase{"SemicolonComment", "[s]\n;k=v\n", "s", "k", "<default>"},
        ReadCase{"HashComment", "[s]\n  #k=v\n", "s", "k", "<default>"},
        ReadCase{"NamesIgnoreCase", "[SeK]\nKEY=v\n", "sek", "key", "v"},
        ReadCase{"PolishNamesIgnoreCase", Text1250("[ŁÓDŹ]\nKSIĘGA=v\n"), Text1250("łódź"),
                 Text1250("księga"), "v"},
        ReadCase{"FirstSectionOfANameCounts", "[s]\nk=1\n[S]\nk=2\nj=3\n", "s", "j", "<default>"},
        ReadCase{"FirstKeyOfANameCounts", "[s]\nk=1\nK=2\n", "s", "k", "1"},
        ReadCase{"HeaderWithoutBracketOpensSection", "[s]\n[ t \nk=v\n", "t", "k", "v"},
        ReadCase{"KeysBelowUnclosedHeaderLeaveSectionAbove", "[s]\n[t\nk=v\n", "s", "k",
                 "<default>"},
        ReadCase{"EmptySectionNameIsNoSection", "[s]\n[ ]\nk=v\n", "s", "k", "<default>"},
        ReadCase{"KeysOfEmptySectionCountNowhere", "[]\nk=v\n", "", "k", "<default>"},
        ReadCase{"CtrlZTrimmedFromValue", "[s]\nk=1\x1A\r\n\x1A", "s", "k", "1"},
        ReadCase{"CtrlZTrimmedFromNames", "[\x1As\x1A]\n\x1Ak\x1A=v\n", "s", "k", "v"},
        ReadCase{"CtrlZTrimmedBeforeQuotes", "[s]\nk=\"a\"\x1A\n", "s", "k", "a"},
        ReadCase{"KeysBeforeFirstSectionCountNowhere", "k=v\n[s]\n", "s", "k", "<default>"},
        ReadCase{"LineWithoutEquals", "[s]\njust text\nk=v\n", "s", "just text", "<default>"},
        ReadCase{"DoubleQuotesRemoved", "[s]\nk=\" a \"\n", "s", "k", " a "},
        ReadCase{"SingleQuotesRemoved", "[s]\nk='a'\n", "s", "k", "a"},
        ReadCase{"MixedQuotesKept", "[s]\nk=\"a'\n", "s", "k", "\"a'"},
        ReadCase{"LoneQuoteKept", "[s]\nk=\"\n", "s", "k", "\""},
        ReadCase{"OnlyOnePairRemoved", "[s]\nk=''a''\n", "s", "k", "'a'"},
        ReadCase{"ValueCutTo2047", "[s]\nk=" + kLong + "\n", "s", "k", kLong.substr(0, 2047)},
        ReadCase{"Utf8BomSkipped", "\xEF\xBB\xBF[s]\r\nk=v\r\n", "s", "k", "v"},
        ReadCase{"NulBytesKept", "[s]\nk=a\0b\n"s, "s", "k", "a\0b"s},
        ReadCase{"BytesOutsideCodePage", "[\x81\x98]\nk=\x83\x88\x90\n", "\x81\x98", "k",
                 "\x83\x88\x90"}),
    CaseName());

TEST_F(IniTest, KeysOfASectionFoundInOnePassInAnyOrder) {
  Put("[s]\n a = 1\nB=2\n;c=3\nb=4\nC = \"5\"\nn=$10\n[t]\nd=6\n[S]\ne=7\n");
  IniFile ini(path_);
  const std::vector<std::string> in_file_order = {"a", "b", "c", "n", "d", "e"};
  const std::vector<std::string> shuffled = {"e", "C", "d", "N", "A", "b"};
  for (const auto& names : {in_file_order, shuffled}) {
    IniKeySet keys(names);
    std::vector<uint32_t> lines;
    ini.FindKeys("s", keys, lines);
    for (size_t i = 0; i < names.size(); ++i) {
      EXPECT_EQ(ini.ReadKey(lines[i], names[i], "<default>"),
                ini.ReadString("s", names[i], "<default>"))
          << names[i];
      EXPECT_EQ(ini.ReadKeyInteger(lines[i], names[i], -1), ini.ReadInteger("s", names[i], -1))
          << names[i];
    }
  }
  IniKeySet keys({"a", "b"});
  EXPECT_EQ(keys.Find("B"), 1u);
  EXPECT_EQ(keys.Find("c"), keys.size());
  // No key line has a name with '=' or an empty one.
  Put("[s]\na=b=1\n=2\n");
  IniFile odd(path_);
  std::vector<uint32_t> found;
  odd.FindKeys("s", IniKeySet({"a=b", "", "a"}), found);
  EXPECT_EQ(found[0], IniFile::kNoLine);
  EXPECT_EQ(found[1], IniFile::kNoLine);
  EXPECT_EQ(odd.ReadKey(found[2], "a", ""), "b=1");
  std::vector<uint32_t> lines;
  ini.FindKeys("missing", keys, lines);
  EXPECT_EQ(lines, (std::vector<uint32_t>{IniFile::kNoLine, IniFile::kNoLine}));
}

TEST_F(IniTest, SectionsInFileOrderWithRepeats) {
  Put("k=0\n[b]\n[A]\n[c\n[B]\n[ ]\n[]\n");
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"b", "A", "c", "B"}));
  EXPECT_TRUE(ini.SectionExists("a"));
  EXPECT_TRUE(ini.SectionExists("c"));
  EXPECT_FALSE(ini.SectionExists(""));
}

TEST_F(IniTest, MissingFileReadsEmptyAndIsNotCreatedWithoutWrites) {
  IniFile ini(path_);
  EXPECT_TRUE(ini.ReadSections().empty());
  EXPECT_EQ(ini.ReadInteger("s", "k", 5), 5);
  ini.Flush();
  EXPECT_TRUE(DirEntries().empty());
}

// ---- Encodings ----

// `utf8` as the bytes of another encoding, with the mark of that encoding.
std::string Utf16(std::string_view utf8, bool big_endian) {
  std::string out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t u : Utf8ToWide(utf8)) {
    char hi = static_cast<char>(u >> 8);
    char lo = static_cast<char>(u & 0xFF);
    out += big_endian ? hi : lo;
    out += big_endian ? lo : hi;
  }
  return out;
}
std::string Le(std::string_view utf8) {
  return Utf16(utf8, false);
}
std::string Be(std::string_view utf8) {
  return Utf16(utf8, true);
}
const std::string kBom = "\xEF\xBB\xBF";

struct EncodingCase {
  const char* name;
  std::string before;
  IniEncoding encoding;
  std::string key;          // read in section "Baza"
  std::string expected;     // UTF-8, compared as Windows-1250
  std::string write_value;  // UTF-8, written to key "Haslo"
  std::string after;        // the file's bytes after the write
};

class IniEncodingRead : public IniTest, public ::testing::WithParamInterface<EncodingCase> {};

TEST_P(IniEncodingRead, ReadsAsWindows1250AndWritesBackInItsOwnEncoding) {
  const EncodingCase& c = GetParam();
  Put(c.before);
  IniFile ini(path_);
  EXPECT_EQ(ini.Encoding(), c.encoding) << IniEncodingName(ini.Encoding());
  EXPECT_EQ(ini.ReadString("baza", Text1250(c.key), "<default>"), Text1250(c.expected));
  EXPECT_EQ(ini.Content(), c.before) << "nothing changed yet";
  ini.WriteString("Baza", "Haslo", Text1250(c.write_value));
  ini.Flush();
  EXPECT_EQ(Get(), c.after);
  IniFile reread(path_);
  EXPECT_EQ(reread.Encoding(), c.encoding);
  EXPECT_EQ(reread.ReadString("Baza", "Haslo", ""), Text1250(c.write_value));
}

INSTANTIATE_TEST_SUITE_P(
    Files, IniEncodingRead,
    ::testing::Values(
        EncodingCase{"Utf8", "[Baza]\nUzytkownik=Księgowa\n", IniEncoding::kUtf8, "Uzytkownik",
                     "Księgowa", "żółć", "[Baza]\nUzytkownik=Księgowa\nHaslo=żółć\n"},
        EncodingCase{"Utf8WithMark", kBom + "[Baza]\r\nHaslo=x\r\nDział=IT\r\n",
                     IniEncoding::kUtf8Bom, "dział", "IT", "Łódź",
                     kBom + "[Baza]\r\nHaslo=Łódź\r\nDział=IT\r\n"},
        EncodingCase{"Utf8MarkOnAsciiFile", kBom + "[Baza]\r\nk=v\r\n", IniEncoding::kUtf8Bom, "k",
                     "v", "ę", kBom + "[Baza]\r\nk=v\r\nHaslo=ę\r\n"},
        EncodingCase{"Utf16Le", Le("[Baza]\r\nSerwer=Zażółć\r\n"), IniEncoding::kUtf16Le, "serwer",
                     "Zażółć", "ą", Le("[Baza]\r\nSerwer=Zażółć\r\nHaslo=ą\r\n")},
        EncodingCase{"Utf16Be", Be("[Baza]\nSerwer=Ś\n"), IniEncoding::kUtf16Be, "Serwer", "Ś", "€",
                     Be("[Baza]\nSerwer=Ś\nHaslo=€\n")},
        EncodingCase{"AsciiIsWindows1250", "[Baza]\nk=v", IniEncoding::kWindows1250, "k", "v", "ń",
                     Text1250("[Baza]\nk=v\nHaslo=ń\n")},
        EncodingCase{"Windows1250StaysByteForByte", Text1250("[Baza]\r\nk=Księgowy\r\n"),
                     IniEncoding::kWindows1250, "k", "Księgowy", "ż",
                     Text1250("[Baza]\r\nk=Księgowy\r\nHaslo=ż\r\n")},
        EncodingCase{"OverlongUtf8IsWindows1250", "[Baza]\nk=\xC0\x80\n", IniEncoding::kWindows1250,
                     "k", "Ŕ€", "x", "[Baza]\nk=\xC0\x80\nHaslo=x\n"},
        // Lines that do not count keep their bytes, whatever they hold.
        EncodingCase{"UnconvertibleCommentKept", "; ★ zażółć\n[Baza]\nk=ł\nk=★\n[]\nj=★\n",
                     IniEncoding::kUtf8, "k", "ł", "x",
                     "; ★ zażółć\n[Baza]\nk=ł\nk=★\nHaslo=x\n[]\nj=★\n"},
        EncodingCase{"UnpairedSurrogateLineKept",
                     Le("[Baza]\nk=v\n") + "\x00\xD8"s + Le("x\n").substr(2), IniEncoding::kUtf16Le,
                     "k", "v", "y",
                     Le("[Baza]\nk=v\n") + "\x00\xD8"s + Le("x\nHaslo=y\n").substr(2)},
        // A Windows-1250 line in a file marked UTF-8 reads as Windows-1250 and
        // keeps its bytes.
        EncodingCase{"ForeignLineInMarkedUtf8", kBom + "[Baza]\nk=\xB3\xF3\nj=ł\n",
                     IniEncoding::kUtf8Bom, "k", "łó", "ó",
                     kBom + "[Baza]\nk=\xB3\xF3\nj=ł\nHaslo=ó\n"}),
    CaseName());

struct UnconvertibleCase {
  const char* name;
  std::string file;
  std::string message;  // after "Unable to read <path>: "
};

class IniUnconvertible : public IniTest, public ::testing::WithParamInterface<UnconvertibleCase> {};

TEST_P(IniUnconvertible, LoadFailsNamingSectionAndKeyAndWritesNothing) {
  const UnconvertibleCase& c = GetParam();
  Put(c.file);
  try {
    IniFile ini(path_);
    FAIL() << "loaded";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to read " + path_ + ": " + c.message);
  }
  EXPECT_EQ(Get(), c.file);
  EXPECT_EQ(DirEntries(), std::vector<std::string>{"serwery.ini"});
}

INSTANTIATE_TEST_SUITE_P(
    Files, IniUnconvertible,
    ::testing::Values(
        UnconvertibleCase{"ValueUtf8", "[Baza1]\nHaslo=ok\n[Baza2]\nKlucz = ★\n",
                          "section [Baza2] key Klucz holds a character that Windows-1250 cannot "
                          "hold (the file is UTF-8)"},
        UnconvertibleCase{"ValueUtf16", Le("[B]\r\nk=a😀\r\n"),
                          "section [B] key k holds a character that Windows-1250 cannot hold (the "
                          "file is UTF-16LE)"},
        UnconvertibleCase{"SectionName", kBom + "[Baza ☃]\nk=v\n",
                          "section [Baza ?] holds a character that Windows-1250 cannot hold (the "
                          "file is UTF-8 with BOM)"},
        UnconvertibleCase{"HalfCharacterAtEnd", Le("[B]\nk=v") + "x",
                          "the file ends in half a UTF-16LE character"}),
    CaseName());

struct WarningCase {
  const char* name;
  std::string file;
  std::vector<std::pair<IniWarning::Kind, uint32_t>> warnings;
};

class IniWarnings : public IniTest, public ::testing::WithParamInterface<WarningCase> {};

TEST_P(IniWarnings, ReaderReportsWhatItDecidedWithLineNumbers) {
  const WarningCase& c = GetParam();
  Put(c.file);
  IniFile ini(path_);
  std::vector<std::pair<IniWarning::Kind, uint32_t>> got;
  for (const IniWarning& w : ini.Warnings()) got.emplace_back(w.kind, w.line);
  EXPECT_EQ(got, c.warnings);
}

using K = IniWarning::Kind;
INSTANTIATE_TEST_SUITE_P(
    Files, IniWarnings,
    ::testing::Values(
        WarningCase{"CleanFile", Text1250("[a]\r\nk=ł\r\n"), {}},
        WarningCase{"CtrlZ", "[a]\r\nk=1\x1A\r\n\x1A", {{K::kCtrlZ, 2}, {K::kCtrlZ, 3}}},
        WarningCase{
            "EmptySections", "[a]\n[]\n\n[ \t]\n", {{K::kEmptySection, 2}, {K::kEmptySection, 4}}},
        WarningCase{"UnclosedHeaders",
                    "[a]\rk=1\r[b\r[\r",
                    {{K::kUnclosedHeader, 3}, {K::kUnclosedHeader, 4}, {K::kEmptySection, 4}}},
        WarningCase{"Utf8LetterInWindows1250File",
                    "[a]\r\nk=\xB3\r\nj=\xC5\x82\r\n",
                    {{K::kMixedEncoding, 3}}},
        WarningCase{
            "Windows1250LetterInMarkedUtf8File", kBom + "[a]\nk=\xB3\n", {{K::kMixedEncoding, 2}}},
        WarningCase{"UnconvertibleLineKept", "[a]\n; ★\n", {{K::kUnconvertible, 2}}}),
    CaseName());

struct NumberCase {
  const char* text;
  int32_t expected;  // the default is 99
};
void PrintTo(const NumberCase& c, std::ostream* os) {
  *os << '"' << c.text << '"';
}

class IniNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(IniNumber, ParsesDecimalAndHexElseDefault) {
  int32_t value = 99;
  if (!IniFile::TryParseInteger(GetParam().text, value)) value = 99;
  EXPECT_EQ(value, GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, IniNumber,
    ::testing::Values(NumberCase{"12", 12}, NumberCase{"-7", -7}, NumberCase{"+7", 7},
                      NumberCase{"007", 7}, NumberCase{"$ff", 255}, NumberCase{"0x1", 1},
                      NumberCase{"0X1F", 31}, NumberCase{"$FFFFFFFF", -1},
                      NumberCase{"0x80000000", INT32_MIN}, NumberCase{"$100000000", 99},
                      NumberCase{"2147483647", INT32_MAX}, NumberCase{"2147483648", 99},
                      NumberCase{"-2147483648", INT32_MIN}, NumberCase{"-2147483649", 99},
                      NumberCase{"99999999999999999999", 99}, NumberCase{"", 99},
                      NumberCase{"tak", 99}, NumberCase{"1.5", 99}, NumberCase{"0x", 99},
                      NumberCase{"$", 99}, NumberCase{"-", 99}, NumberCase{"1 2", 99},
                      NumberCase{"12abc", 99}, NumberCase{"123456789", 123456789}));

TEST_F(IniTest, IntegerReadThroughTrimAndQuotes) {
  Put("[s]\na = 0x10 \nb=\"-3\"\nc=\nd=x\n");
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadInteger("s", "a", 0), 16);
  EXPECT_EQ(ini.ReadInteger("s", "b", 0), -3);
  EXPECT_EQ(ini.ReadInteger("s", "c", 5), 5);
  EXPECT_EQ(ini.ReadInteger("s", "d", 6), 6);
}

// ---- Writing ----

struct WriteCase {
  const char* name;
  std::string before;                              // "<none>" for a missing file
  std::vector<std::array<std::string, 3>> writes;  // section, key, value
  std::string after;
};

class IniWrite : public IniTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(IniWrite, ChangesOnlyWhatIsWritten) {
  const WriteCase& c = GetParam();
  if (c.before != "<none>") Put(c.before);
  IniFile ini(path_);
  IniFile bulk(path_);
  for (const auto& w : c.writes) ini.WriteString(w[0], w[1], w[2]);
  EXPECT_EQ(ini.Content(), c.after);
  // The same writes to keys found first with FindKeys.
  for (const auto& w : c.writes) {
    std::vector<uint32_t> lines;
    bulk.FindKeys(w[0], IniKeySet({w[1]}), lines);
    bulk.WriteKey(w[0], lines[0], w[1], w[2]);
  }
  EXPECT_EQ(bulk.Content(), c.after);
  for (const auto& w : c.writes) EXPECT_EQ(ini.ReadString(w[0], w[1], "<default>"), w[2]);
  ini.Flush();
  EXPECT_EQ(Get(), c.after);
  IniFile reread(path_);
  for (const auto& w : c.writes) EXPECT_EQ(reread.ReadString(w[0], w[1], "<default>"), w[2]);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, IniWrite,
    ::testing::Values(
        WriteCase{
            "NewFileUsesCrLf", "<none>", {{"S", "k", "v"}, {"S", "j", ""}}, "[S]\r\nk=v\r\nj=\r\n"},
        WriteCase{"InPlaceKeepsSpelling",
                  "[s]\r\n  KeY = old\r\nz=1\r\n",
                  {{"S", "key", "new"}},
                  "[s]\r\nKeY=new\r\nz=1\r\n"},
        WriteCase{"InPlaceOnLastLineWithoutEnd", "[s]\nk=1", {{"s", "k", "2"}}, "[s]\nk=2"},
        WriteCase{"AppendAfterLastContentLine",
                  "[a]\r\nx=1\r\n; note\r\n\r\n[b]\r\ny=2\r\n",
                  {{"a", "n1", "1"}, {"a", "n2", "2"}},
                  "[a]\r\nx=1\r\nn1=1\r\nn2=2\r\n; note\r\n\r\n[b]\r\ny=2\r\n"},
        WriteCase{"AppendAfterHeaderWhenOnlyComments",
                  "[a]\n;c\n\n",
                  {{"a", "k", "v"}},
                  "[a]\nk=v\n;c\n\n"},
        WriteCase{"PlainLinesCountAsContent",
                  "[a]\nx=1\njunk\n\n[b]\n",
                  {{"a", "y", "v"}},
                  "[a]\nx=1\njunk\ny=v\n\n[b]\n"},
        WriteCase{"UnclosedHeaderEndsSectionAbove",
                  "[a]\nx=1\n[b\ny=2\n",
                  {{"a", "z", "3"}, {"b", "y", "4"}},
                  "[a]\nx=1\nz=3\n[b\ny=4\n"},
        WriteCase{"EmptySectionKeptAndIgnored",
                  "[a]\nx=1\n[]\nx=2\n",
                  {{"a", "x", "3"}},
                  "[a]\nx=3\n[]\nx=2\n"},
        WriteCase{"CtrlZNextToValueIsReplaced",
                  "[a]\r\nx=1\x1A\r\n",
                  {{"a", "x", "1"}},
                  "[a]\r\nx=1\r\n"},
        WriteCase{
            "NewSectionAfterMissingLineEnd", "[a]\nx=1", {{"b", "k", "v"}}, "[a]\nx=1\n[b]\nk=v\n"},
        WriteCase{"CrOnlyFile",
                  "[a]\rx=1\r",
                  {{"a", "y", "2"}, {"c", "z", "3"}},
                  "[a]\rx=1\ry=2\r[c]\rz=3\r"},
        WriteCase{"FirstLineEndDecides",
                  "[a]\nx=1\r\ny=2\r\n",
                  {{"a", "z", "3"}, {"a", "x", "4"}},
                  "[a]\nx=4\ny=2\r\nz=3\n"},
        WriteCase{"FirstOfDuplicateSectionsWritten",
                  "[a]\nx=1\n[A]\nx=2\n",
                  {{"a", "x", "3"}, {"a", "y", "4"}},
                  "[a]\nx=3\ny=4\n[A]\nx=2\n"},
        WriteCase{
            "FirstOfDuplicateKeysWritten", "[a]\nx=1\nX=2\n", {{"a", "x", "3"}}, "[a]\nx=3\nX=2\n"},
        WriteCase{
            "BomKept", "\xEF\xBB\xBF[a]\r\n", {{"a", "k", "v"}}, "\xEF\xBB\xBF[a]\r\nk=v\r\n"},
        WriteCase{"OddBytesOnOtherLinesKept",
                  "[a]\nn=\0\x81\x98\xFF\nx=1\n"s,
                  {{"a", "x", "2"}},
                  "[a]\nn=\0\x81\x98\xFF\nx=2\n"s}),
    CaseName());

TEST_F(IniTest, MultiMegabyteLineIsReadCutAndKeptWhole) {
  const std::string big(5 << 20, 'q');
  Put("[a]\r\nbig=" + big + "\r\nnoequals " + big + "\r\n");
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("a", "big", ""), big.substr(0, 2047));
  // Writing back what was read (as the server list does) loses nothing.
  ini.WriteString("a", "big", ini.ReadString("a", "big", ""));
  ini.WriteString("a", "k", "v");
  ini.Flush();
  EXPECT_EQ(Get(), "[a]\r\nbig=" + big + "\r\nnoequals " + big + "\r\nk=v\r\n");
  // A new value still replaces it.
  IniFile again(path_);
  again.WriteString("a", "big", "small");
  EXPECT_EQ(again.ReadString("a", "big", ""), "small");
}

// ---- Flushing ----

TEST_F(IniTest, WriteIntoMissingDirectoryFails) {
  IniFile ini(dir_ + "/absent/serwery.ini");
  EXPECT_THROW(ini.WriteString("a", "k", "v"), Exception);
}

}  // namespace
}  // namespace zeph
