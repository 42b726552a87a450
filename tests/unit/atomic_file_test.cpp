// Atomic replacement on every system: content, order of pieces and the
// stamp that tells another writer's change from our own rewrite.
#include "util/atomic_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "test_support.h"

namespace zeph {
namespace {

using AtomicFileAnywhereTest = TempDirTest;

// More pieces than one writev() call takes, empty ones and one of 2 MiB
// among them: the file holds them in order.
TEST_F(AtomicFileAnywhereTest, PiecesAreWrittenInOrder) {
  std::vector<std::string> texts;
  for (int i = 0; i < 3000; ++i)
    texts.push_back(std::string(static_cast<size_t>(i % 7), 'a' + i % 26));
  texts[1500] = std::string(2 << 20, 'z');
  std::vector<std::string_view> pieces(texts.begin(), texts.end());
  std::string expected;
  for (const std::string& text : texts) expected += text;
  AtomicFile file(path_);
  ASSERT_TRUE(file.Open() && file.Write(pieces) && file.Commit(nullptr));
  EXPECT_EQ(Get(), expected);
}

TEST_F(AtomicFileAnywhereTest, StampTellsAnotherWritersChangeFromOurOwnRewrite) {
  Put("abc");
  // File times come from a coarse clock: an old mtime makes sure the edit
  // below gets another one.
  std::filesystem::last_write_time(
      path_, std::filesystem::last_write_time(path_) - std::chrono::hours(24 * 365));
  FileStamp loaded = StampOfPath(path_);
  ASSERT_TRUE(loaded.valid);
  EXPECT_TRUE(loaded == StampOfPath(path_));
  WriteBytes(path_, "xyz");  // same size, in place
  EXPECT_FALSE(loaded == StampOfPath(path_));
  FileStamp written;
  AtomicFile file(path_);
  ASSERT_TRUE(file.Open() && file.Write("xyz") && file.Commit(&written));
  EXPECT_TRUE(written == StampOfPath(path_)) << "a rewrite of our own is recognised";
  AtomicFile other(path_);  // another writer: a new file
  ASSERT_TRUE(other.Open() && other.Write("xyz") && other.Commit(nullptr));
  EXPECT_FALSE(written == StampOfPath(path_));
  EXPECT_FALSE(StampOfPath(dir_ + "/missing").valid);
}

}  // namespace
}  // namespace zeph
