#include "config/ini_file.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "test_support.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

using ::zeph::PrintTo;  // table cases print as their name

using namespace std::string_literals;

class IniTest : public TempDirTest {
 protected:
  std::vector<std::string> DirEntries() const {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir_.c_str());
    while (dirent* e = ::readdir(d)) {
      std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
    return names;
  }
  struct stat Stat() const {
    struct stat st {};
    ::stat(path_.c_str(), &st);
    return st;
  }
};

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
        ReadCase{"HeaderWithoutBracketIsAPlainLine", "[s]\n[t\nk=v\n", "s", "k", "v"},
        ReadCase{"NoSectionBeforeBrokenHeader", "[t\nk=v\n", "t", "k", "<default>"},
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

TEST_F(IniTest, SectionsInFileOrderWithRepeats) {
  Put("k=0\n[b]\n[A]\n[c\n[B]\n[ ]\n");
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"b", "A", "B", ""}));
  EXPECT_TRUE(ini.SectionExists("a"));
  EXPECT_FALSE(ini.SectionExists("c"));
}

TEST_F(IniTest, MissingFileReadsEmptyAndIsNotCreatedWithoutWrites) {
  IniFile ini(path_);
  EXPECT_TRUE(ini.ReadSections().empty());
  EXPECT_EQ(ini.ReadInteger("s", "k", 5), 5);
  ini.Flush();
  EXPECT_TRUE(DirEntries().empty());
}

TEST_F(IniTest, Utf16FileIsRefusedAndLeftAlone) {
  for (const std::string& bytes : {"\xFF\xFE[\0s\0]\0"s, "\xFE\xFF\0[\0s\0]"s}) {
    Put(bytes);
    try {
      IniFile ini(path_);
      FAIL() << "UTF-16 accepted";
    } catch (const Exception& e) {
      EXPECT_NE(std::string(e.what()).find("UTF-16"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(path_), std::string::npos) << e.what();
    }
    EXPECT_EQ(Get(), bytes);
  }
}

struct NumberCase {
  const char* text;
  int32_t expected;  // the default is 99
};
void PrintTo(const NumberCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

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
                      NumberCase{"12abc", 99}));

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
  for (const auto& w : c.writes) ini.WriteString(w[0], w[1], w[2]);
  EXPECT_EQ(ini.Content(), c.after);
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
                  "[a]\nx=1\n[junk\n\n[b]\n",
                  {{"a", "y", "v"}},
                  "[a]\nx=1\n[junk\ny=v\n\n[b]\n"},
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

TEST_F(IniTest, UnchangedContentIsNotRewritten) {
  Put("[a]\nk=v\n");
  ::chmod(path_.c_str(), 0600);
  ino_t inode = Stat().st_ino;
  IniFile ini(path_);
  ini.WriteString("a", "k", "v");
  ini.Flush();
  EXPECT_EQ(Stat().st_ino, inode);
}

TEST_F(IniTest, RewriteReplacesTheFileKeepingModeAndLeavesNoTemporary) {
  Put("[a]\nk=v\n");
  ::chmod(path_.c_str(), 0640);
  ino_t inode = Stat().st_ino;
  IniFile ini(path_);
  ini.WriteString("a", "k", "w");
  ini.Flush();
  EXPECT_EQ(Get(), "[a]\nk=w\n");
  EXPECT_NE(Stat().st_ino, inode) << "written through a renamed temporary";
  EXPECT_EQ(Stat().st_mode & 07777, 0640u);
  EXPECT_EQ(Stat().st_uid, ::getuid());
  EXPECT_EQ(DirEntries(), std::vector<std::string>{"serwery.ini"});
}

TEST_F(IniTest, SymlinkStaysALink) {
  Put("[a]\nk=v\n");
  std::string link = dir_ + "/link.ini";
  ASSERT_EQ(::symlink(path_.c_str(), link.c_str()), 0);
  IniFile ini(link);
  ini.WriteString("a", "k", "w");
  ini.Flush();
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(Get(), "[a]\nk=w\n");
}

struct ReadOnlyCase {
  const char* name;
  mode_t file_mode;  // 0 for a missing file
  mode_t dir_mode;
};

class IniReadOnly : public IniTest, public ::testing::WithParamInterface<ReadOnlyCase> {};

TEST_P(IniReadOnly, FirstWriteFailsAndFileStaysAsItWas) {
  const ReadOnlyCase& c = GetParam();
  const std::string before = "[a]\r\nk=v\r\n";
  if (c.file_mode != 0) {
    Put(before);
    ::chmod(path_.c_str(), c.file_mode);
  }
  ::chmod(dir_.c_str(), c.dir_mode);
  IniFile ini(path_);
  try {
    ini.WriteString("a", "k", "w");
    FAIL() << "write accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path_);
  }
  EXPECT_NO_THROW(ini.Flush()) << "nothing was changed, so nothing is written";
  ::chmod(dir_.c_str(), 0755);
  if (c.file_mode != 0) {
    EXPECT_EQ(Get(), before);
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"serwery.ini"});
  } else {
    EXPECT_TRUE(DirEntries().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, IniReadOnly,
                         ::testing::Values(ReadOnlyCase{"ReadOnlyFile", 0444, 0755},
                                           ReadOnlyCase{"ReadOnlyDirectory", 0644, 0555},
                                           ReadOnlyCase{"NewFileInReadOnlyDirectory", 0, 0555}),
                         CaseName());

TEST_F(IniTest, WriteIntoMissingDirectoryFails) {
  IniFile ini(dir_ + "/absent/serwery.ini");
  EXPECT_THROW(ini.WriteString("a", "k", "v"), Exception);
}

// A full disk, emulated with a file-size limit that also binds root.
TEST_F(IniTest, FailedFlushLeavesOriginalByteForByte) {
  const std::string before = "[a]\r\nk=v\r\n";
  Put(before);
  IniFile ini(path_);
  ini.WriteString("a", "k", std::string(1 << 16, 'z'));

  rlimit old_limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string message;
  try {
    ini.Flush();
  } catch (const Exception& e) {
    message = e.what();
  }
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  ::signal(SIGXFSZ, old_handler);

  EXPECT_EQ(message, "Unable to write to " + path_);
  EXPECT_EQ(Get(), before);
  EXPECT_EQ(DirEntries(), std::vector<std::string>{"serwery.ini"});
}

}  // namespace
}  // namespace zeph
