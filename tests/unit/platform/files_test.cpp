// The platform layer's files on this system: bytes pass unchanged, a
// rename replaces an existing file, identity and kind are told right, and
// failures come back as errno values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/file_lock.h"
#include "platform/file_system.h"
#include "test_support.h"
#include "util/unique_fd.h"

namespace zeph {
namespace {

namespace os = platform;

class PlatformFilesTest : public TempDirTest {
 protected:
  std::string In(const std::string& name) const { return dir_ + "/" + name; }

  // Writes `bytes` through the layer to a new file and reads them back.
  std::string RoundTrip(const std::string& bytes) const {
    const std::string path = In("bytes.bin");
    {
      UniqueFd fd(os::OpenFile(path, os::kWrite | os::kCreate | os::kTruncate));
      EXPECT_TRUE(fd.Valid()) << std::strerror(errno);
      EXPECT_EQ(os::WriteSome(fd.Get(), bytes.data(), bytes.size()),
                static_cast<int64_t>(bytes.size()));
    }
    UniqueFd fd(os::OpenFile(path, os::kRead));
    std::string back(bytes.size() + 16, '\0');
    const int64_t n = os::ReadSome(fd.Get(), back.data(), back.size());
    back.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return back;
  }
};

// A text-mode file would turn LF into CR LF on the way out and stop reading
// at Ctrl-Z on the way in.
TEST_F(PlatformFilesTest, BytesPassUnchangedWhateverTheyAre) {
  const std::string cases[] = {
      "line\nline\r\n",
      std::string("before\x1A"
                  "after",
                  12),
      std::string("\0\r\n\x1A\xFF\x9C\xB9", 7),
  };
  for (const std::string& bytes : cases) EXPECT_EQ(RoundTrip(bytes), bytes);
}

TEST_F(PlatformFilesTest, AppendReadAtAndTruncate) {
  const std::string path = In("log.txt");
  UniqueFd fd(os::OpenFile(path, os::kRead | os::kWrite | os::kAppend | os::kCreate));
  ASSERT_TRUE(fd.Valid());
  ASSERT_EQ(os::WriteSome(fd.Get(), "abc", 3), 3);
  const os::Piece pieces[] = {{"de", 2}, {"", 0}, {"f\n", 2}};
  EXPECT_EQ(os::WriteGathered(fd.Get(), pieces, 3), 4);
  char last = 0;
  EXPECT_EQ(os::ReadAt(fd.Get(), &last, 1, 6), 1);
  EXPECT_EQ(last, '\n');
  EXPECT_EQ(os::ReadAt(fd.Get(), &last, 1, 7), 0) << "at the end";
  EXPECT_TRUE(os::TruncateFile(fd.Get(), 3));
  EXPECT_TRUE(os::SyncFile(fd.Get()));
  ASSERT_EQ(os::WriteSome(fd.Get(), "X", 1), 1) << "appended after the new end";
  EXPECT_TRUE(fd.Close());
  EXPECT_EQ(ReadBytes(path), "abcX");
}

TEST_F(PlatformFilesTest, FailuresComeBackAsErrno) {
  struct Case {
    const char* name;
    unsigned flags;
    int error;
  };
  WriteBytes(In("exists"), "x");
  ASSERT_TRUE(os::MakeDirectory(In("dir")));
  // Windows itself says "access denied" for the directory and "path not
  // found" for the path through a file: both read as on POSIX systems.
  const Case cases[] = {
      {"missing", os::kRead, ENOENT},
      {"exists", os::kWrite | os::kCreate | os::kExclusive, EEXIST},
      {"no-dir/file", os::kWrite | os::kCreate, ENOENT},
      {"dir", os::kWrite | os::kAppend | os::kCreate, EISDIR},
      {"exists/file", os::kWrite | os::kCreate, ENOTDIR},
  };
  for (const Case& c : cases) {
    errno = 0;
    EXPECT_EQ(os::OpenFile(In(c.name), c.flags), -1) << c.name;
    EXPECT_EQ(errno, c.error) << c.name;
  }
  errno = 0;
  EXPECT_FALSE(os::MakeDirectory(In("exists/sub")));
  EXPECT_EQ(errno, ENOTDIR);
  os::FileInfo info;
  errno = 0;
  EXPECT_FALSE(os::StatPath(In("missing"), info));
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(PlatformFilesTest, KindSizeAndIdentity) {
  WriteBytes(In("a"), "12345");
  os::FileInfo file;
  os::FileInfo directory;
  ASSERT_TRUE(os::StatPath(In("a"), file));
  ASSERT_TRUE(os::StatPath(dir_, directory));
  EXPECT_EQ(file.kind, os::FileKind::kRegular);
  EXPECT_EQ(file.size, 5);
  EXPECT_EQ(directory.kind, os::FileKind::kDirectory);

  UniqueFd fd(os::OpenFile(In("a"), os::kRead));
  os::FileInfo open_file;
  ASSERT_TRUE(os::StatFile(fd.Get(), open_file));
  EXPECT_EQ(open_file.device, file.device);
  EXPECT_EQ(open_file.id, file.id) << "the open file is the named one";

  WriteBytes(In("b"), "other");
  os::FileInfo other;
  ASSERT_TRUE(os::StatPath(In("b"), other));
  EXPECT_NE(other.id, file.id);
}

// The rewrite of serwery.ini renames its new file over the old one.
TEST_F(PlatformFilesTest, RenameReplacesAnExistingFile) {
  WriteBytes(In("target"), "old");
  WriteBytes(In("new"), "new");
  ASSERT_TRUE(os::ReplaceByRename(In("new"), In("target"))) << std::strerror(errno);
  EXPECT_TRUE(os::SyncDirectoryOf(In("target")));
  EXPECT_EQ(ReadBytes(In("target")), "new");
  os::FileInfo gone;
  EXPECT_FALSE(os::StatPath(In("new"), gone));
}

// A file another program holds open: POSIX systems replace the name and
// the reader keeps what it opened; Windows may refuse. Either way nothing is
// lost: a refusal leaves both files as they were.
TEST_F(PlatformFilesTest, RenameOverAnOpenFileReplacesItOrLeavesBoth) {
  WriteBytes(In("target"), "old");
  WriteBytes(In("new"), "new");
  UniqueFd reader(os::OpenFile(In("target"), os::kRead));
  ASSERT_TRUE(reader.Valid());
  if (os::ReplaceByRename(In("new"), In("target"))) {
    EXPECT_EQ(ReadBytes(In("target")), "new");
    char old[3];
    EXPECT_EQ(os::ReadSome(reader.Get(), old, 3), 3);
    EXPECT_EQ(std::string(old, 3), "old") << "an open reader keeps what it opened";
  } else {
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(ReadBytes(In("target")), "old");
    EXPECT_EQ(ReadBytes(In("new")), "new");
  }
}

TEST_F(PlatformFilesTest, DirectoriesAreMadeListedAndRemovedFrom) {
  EXPECT_TRUE(os::MakeDirectory(In("sub")));
  EXPECT_FALSE(os::MakeDirectory(In("sub")));
  EXPECT_EQ(errno, EEXIST);
  WriteBytes(In("sub") + "/one", "1");
  WriteBytes(In("sub") + "/two", "2");
  std::vector<std::string> names;
  ASSERT_TRUE(os::ListDirectory(In("sub"), names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"one", "two"}));
  EXPECT_TRUE(os::RemoveFile(In("sub") + "/one"));
  EXPECT_FALSE(os::RemoveFile(In("sub") + "/one"));
  EXPECT_EQ(errno, ENOENT);

  const std::string made = os::MakeTemporaryDirectory(dir_ + "/run.XXXXXX");
  ASSERT_FALSE(made.empty());
  EXPECT_EQ(made.substr(0, made.size() - 6), dir_ + "/run.");
  os::FileInfo info;
  ASSERT_TRUE(os::StatPath(made, info));
  EXPECT_EQ(info.kind, os::FileKind::kDirectory);
  EXPECT_NE(os::MakeTemporaryDirectory(dir_ + "/run.XXXXXX"), made);
}

TEST_F(PlatformFilesTest, PathsAbsoluteAndResolved) {
  EXPECT_TRUE(os::IsAbsolutePath(dir_));
  EXPECT_FALSE(os::IsAbsolutePath("serwery.ini"));
  EXPECT_FALSE(os::IsAbsolutePath(""));
  EXPECT_TRUE(os::IsPathSeparator('/'));
  EXPECT_TRUE(os::IsPathSeparator(os::kPathSeparator));
  EXPECT_FALSE(os::ResolvedPath(dir_).empty());
  EXPECT_TRUE(os::ResolvedPath(In("missing")).empty());
  EXPECT_FALSE(os::ExecutablePath().empty());
}

// One writer at a time: a second open of the same file, as another process
// would have, finds the lock taken until the first closes.
TEST_F(PlatformFilesTest, FileLockIsExclusiveUntilClosed) {
  WriteBytes(In("log"), "");
  UniqueFd first(os::OpenFile(In("log"), os::kRead | os::kWrite | os::kAppend));
  UniqueFd second(os::OpenFile(In("log"), os::kRead | os::kWrite | os::kAppend));
  ASSERT_EQ(os::TryLockFile(first.Get()), 0);
  EXPECT_EQ(os::TryLockFile(second.Get()), EWOULDBLOCK);
  ASSERT_EQ(os::WriteSome(first.Get(), "held\n", 5), 5) << "the holder writes";
  first.Reset();
  EXPECT_EQ(os::TryLockFile(second.Get()), 0);
}

}  // namespace
}  // namespace zeph
