#include "util/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

#include "test_support.h"

namespace zeph {
namespace {

class AtomicFileTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    // The temporary file's mode must not depend on a umask that happens to
    // hide group and other bits.
    saved_umask_ = ::umask(0);
  }
  void TearDown() override {
    ::umask(saved_umask_);
    TempDirTest::TearDown();
  }
  static mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
  }
  // Replaces the content of `path`; true on success.
  static bool Replace(const std::string& path, const std::string& bytes) {
    AtomicFile file(path);
    return file.Open() && file.Write(bytes) && file.Commit(nullptr);
  }

  mode_t saved_umask_ = 0;
};

struct ModeCase {
  const char* name;
  bool exists;
  mode_t original;
  mode_t temporary;
  mode_t final_mode;
};

class AtomicFileModes : public AtomicFileTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(AtomicFileModes, NobodyElseReadsTheTemporaryFileAndTheOriginalModeReturns) {
  const ModeCase& c = GetParam();
  if (c.exists) {
    Put("old");
    ASSERT_EQ(::chmod(path_.c_str(), c.original), 0);
  }
  AtomicFile file(path_);
  ASSERT_TRUE(file.Open());
  EXPECT_EQ(ModeOf(file.TempPath()), c.temporary) << "before the first byte";
  ASSERT_TRUE(file.Write("Haslo=secret\n"));
  EXPECT_EQ(ModeOf(file.TempPath()), c.temporary) << "with the passwords in it";
  ASSERT_TRUE(file.Commit(nullptr));
  EXPECT_EQ(ModeOf(path_), c.final_mode);
  EXPECT_EQ(Get(), "Haslo=secret\n");
}

INSTANTIATE_TEST_SUITE_P(Modes, AtomicFileModes,
                         ::testing::Values(ModeCase{"NewFile", false, 0, 0600, 0600},
                                           ModeCase{"WorldReadable", true, 0644, 0600, 0644},
                                           ModeCase{"GroupReadable", true, 0640, 0600, 0640},
                                           ModeCase{"Private", true, 0600, 0600, 0600},
                                           ModeCase{"ReadOnlyOwner", true, 0400, 0400, 0400},
                                           ModeCase{"NoBitsAtAll", true, 0000, 0000, 0000}),
                         CaseName());

TEST_F(AtomicFileTest, ExtendedAttributesAndTheAclAreCarriedOver) {
  Put("old");
  ASSERT_EQ(::chmod(path_.c_str(), 0600), 0);
  ASSERT_EQ(::setxattr(path_.c_str(), "user.origin", "hand", 4, 0), 0);
  // A named user granted read; mask r-- while the owning group has nothing.
  ASSERT_EQ(std::system(("setfacl -m u:nobody:r,g::-,m::r " + path_).c_str()), 0);
  char before[256];
  ssize_t before_size = ::getxattr(path_.c_str(), "system.posix_acl_access", before, sizeof before);
  ASSERT_GT(before_size, 0);
  mode_t mode_before = ModeOf(path_);

  ASSERT_TRUE(Replace(path_, "new"));

  char after[256];
  ssize_t after_size = ::getxattr(path_.c_str(), "system.posix_acl_access", after, sizeof after);
  ASSERT_EQ(after_size, before_size);
  EXPECT_EQ(std::string(after, static_cast<size_t>(after_size)),
            std::string(before, static_cast<size_t>(before_size)));
  EXPECT_EQ(ModeOf(path_), mode_before) << "the mask must not turn into group bits";
  char origin[16];
  ssize_t n = ::getxattr(path_.c_str(), "user.origin", origin, sizeof origin);
  EXPECT_EQ(std::string(origin, n > 0 ? static_cast<size_t>(n) : 0), "hand");
}

TEST_F(AtomicFileTest, DanglingSymlinkIsFollowedAndItsTargetCreated) {
  const std::string target = dir_ + "/real.ini";
  ASSERT_EQ(::symlink("real.ini", path_.c_str()), 0);
  ASSERT_TRUE(Replace(path_, "new"));
  struct stat st {};
  ASSERT_EQ(::lstat(path_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadBytes(target), "new");
  EXPECT_EQ(ModeOf(target), 0600u);
}

TEST_F(AtomicFileTest, HardLinkIsReportedAndOnlyThisNameGetsTheNewContent) {
  const std::string other = dir_ + "/other.ini";
  Put("old");
  ASSERT_EQ(::link(path_.c_str(), other.c_str()), 0);
  ::testing::internal::CaptureStderr();
  ASSERT_TRUE(Replace(path_, "new"));
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find(path_ + " has 2 hard links"), std::string::npos) << err;
  EXPECT_EQ(Get(), "new");
  EXPECT_EQ(ReadBytes(other), "old");
}

TEST_F(AtomicFileTest, FailedStepNamesTheFileAndTheReasonAndLeavesNothing) {
  Put("old");
  ASSERT_EQ(::mkdir((dir_ + "/.serwery.ini." + std::to_string(::getpid()) + ".tmp").c_str(), 0700),
            0);  // a directory where the temporary file must go
  AtomicFile file(path_);
  EXPECT_FALSE(file.Open());
  EXPECT_EQ(file.Failure(), "cannot create temporary file");
  EXPECT_EQ(file.Error(), EISDIR);
  EXPECT_EQ(Get(), "old");
}

// The pid of a process that has ended.
pid_t DeadPid() {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

TEST_F(AtomicFileTest, LeftoversOfDeadRunsAreRemovedAndNothingElse) {
  Put("data");
  const std::string dead = std::to_string(DeadPid());
  const std::string live = std::to_string(::getppid());
  struct Leftover {
    std::string name;
    bool removed;
  };
  const Leftover leftovers[] = {
      {".serwery.ini." + dead + ".tmp", true},
      {".serwery.ini." + dead + ".3.tmp", true},  // the older naming
      {".serwery.ini." + live + ".tmp", false},   // a live process may be writing
      {".serwery.ini.x" + dead + ".tmp", false},
      {".other.ini." + dead + ".tmp", false},
      {"serwery.ini." + dead + ".tmp", false},
  };
  for (const Leftover& l : leftovers) WriteBytes(dir_ + "/" + l.name, "Haslo=x");
  ::testing::internal::CaptureStderr();
  RemoveStaleTemporaries(path_);
  std::string err = ::testing::internal::GetCapturedStderr();
  for (const Leftover& l : leftovers) {
    EXPECT_EQ(::access((dir_ + "/" + l.name).c_str(), F_OK) != 0, l.removed) << l.name;
    EXPECT_EQ(err.find("/" + l.name + ",") != std::string::npos, l.removed) << l.name << "\n"
                                                                            << err;
  }
  EXPECT_EQ(Get(), "data");
}

}  // namespace
}  // namespace zeph
