// INI write-back where POSIX file metadata decides: the inode, the mode and
// owner kept, symbolic links, read-only modes, a file size limit.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "config/ini_file.h"
#include "ini_test_fixture.h"
#include "test_support.h"
#include "util/error.h"

namespace zeph {
namespace {

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
