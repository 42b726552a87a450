#include "log/run_log.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/file.h"
#include "platform/file_lock.h"
#include "test_support.h"
#include "util/error.h"
#include "util/files.h"
#include "util/unique_fd.h"

namespace zeph {
namespace {

class RunLogTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    path_ = dir_ + "/run.log";
  }
};

TEST_F(RunLogTest, LinesAreTimestampedOrIndentedAndAppendedWithCrLf) {
  RunLog log;
  log.AddLogLine("header", true);
  log.AddLogLine("summary", false);
  log.AddLogLine("two\r\nlines", true);
  SaveLog(log.Lines(), path_);
  SaveLog({"second run"}, path_);
  const std::string text = Get();
  std::regex shape(
      "\\d{4}\\.\\d{2}\\.\\d{2} \\d{2}:\\d{2}:\\d{2}  header\r\n"
      " {21}summary\r\n"
      "\\d{4}\\.\\d{2}\\.\\d{2} \\d{2}:\\d{2}:\\d{2}  two\r\nlines\r\n"
      "second run\r\n");
  EXPECT_TRUE(std::regex_match(text, shape)) << text;
  EXPECT_EQ(log.Lines().size(), 3u);  // saving leaves the list as it was
}

TEST_F(RunLogTest, AppendCreatesExactlyTheBytes) {
  AppendTextToFile("\xA3\xA5 a", path_);
  EXPECT_EQ(Get(), "\xA3\xA5 a");
}

TEST_F(RunLogTest, FileHeldByAnotherWriterFails) {
  AppendTextToFile("x", path_);
  UniqueFd fd(platform::OpenFile(path_, platform::kRead | platform::kWrite));
  ASSERT_EQ(platform::TryLockFile(fd.Get()), 0);
  try {
    AppendTextToFile("y", path_);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"" + path_ + "\". ", 0), 0u);
  }
  fd.Reset();
  EXPECT_EQ(Get(), "x");
}

TEST_F(RunLogTest, MissingDirectoryCannotBeCreated) {
  const std::string path = dir_ + "/none/run.log";
  try {
    SaveLog({"a"}, path);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + path + "\". ", 0), 0u);
  }
}

}  // namespace
}  // namespace zeph

namespace zeph {
namespace {

TEST_F(RunLogTest, SaveWritesEachLineOnce) {
  RunLog log;
  log.AddLogLine("block", false);
  log.Save(path_);
  log.AddLogLine("error", false);
  log.Save(path_);
  log.Clear();
  log.AddLogLine("next", false);
  log.Save(path_);
  const std::string pad(21, ' ');
  EXPECT_EQ(Get(), pad + "block\r\n" + pad + "error\r\n" + pad + "next\r\n");
}

}  // namespace
}  // namespace zeph
