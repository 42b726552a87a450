// The platform layer beyond files on this system: the installation lock,
// libraries, calendar time, the shell, the process itself.
#include "platform/process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>

#include "host/zeph_host.h"
#include "platform/file_lock.h"
#include "platform/library.h"
#include "platform/local_time.h"
#include "platform/shell_command.h"
#include "test_support.h"

namespace zeph {
namespace {

namespace os = platform;

using PlatformLockTest = TempDirTest;

// Another run is another process; another thread stands in for it here.
int TryFromElsewhere(const std::string& directory) {
  int result = -1;
  std::thread([&] {
    os::DirectoryLock lock;
    result = lock.TryAcquire(directory);
  }).join();
  return result;
}

TEST_F(PlatformLockTest, OneHolderPerInstallationDirectory) {
  os::DirectoryLock lock;
  ASSERT_EQ(lock.TryAcquire(dir_), 0);
  EXPECT_TRUE(lock.Held());
  EXPECT_EQ(lock.TryAcquire(dir_), 0) << "taken again by its holder";
  EXPECT_EQ(TryFromElsewhere(dir_), EWOULDBLOCK);
  EXPECT_EQ(TryFromElsewhere(dir_ + "/"), EWOULDBLOCK) << "the same directory spelled otherwise";

  const std::string other = dir_ + "/other";
  ASSERT_TRUE(std::filesystem::create_directory(other));
  EXPECT_EQ(TryFromElsewhere(other), 0) << "another installation";

  lock.Release();
  EXPECT_FALSE(lock.Held());
  EXPECT_EQ(TryFromElsewhere(dir_), 0);
  EXPECT_EQ(TryFromElsewhere(dir_ + "/missing"), ENOENT);
}

TEST(PlatformLibraryTest, LoadsFindsAndExplainsFailures) {
  std::string error;
  EXPECT_EQ(os::LoadLibraryFile(std::string(ZEPH_SIM_PATH) + ".missing", error), nullptr);
  EXPECT_FALSE(error.empty());

  error.clear();
  void* library = os::LoadLibraryFile(ZEPH_SIM_PATH, error);
  ASSERT_NE(library, nullptr) << error;
  EXPECT_NE(os::FindSymbol(library, ZEPH_HOST_ENTRY_SYMBOL, error), nullptr) << error;
  EXPECT_EQ(os::FindSymbol(library, "no_such_entry", error), nullptr);
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(os::CurlLibraryNames().empty());
}

TEST(PlatformTimeTest, UtcCalendarOfKnownMoments) {
  struct Case {
    std::time_t when;
    int year, month, day, hour, minute, second, weekday;
  };
  const Case cases[] = {
      {0, 1970, 1, 1, 0, 0, 0, 4},
      {951782400, 2000, 2, 29, 0, 0, 0, 2},
      {1700000000, 2023, 11, 14, 22, 13, 20, 2},
  };
  for (const Case& c : cases) {
    os::CalendarTime t;
    ASSERT_TRUE(os::UtcCalendarTime(c.when, t));
    EXPECT_EQ(t.year, c.year);
    EXPECT_EQ(t.month, c.month);
    EXPECT_EQ(t.day, c.day);
    EXPECT_EQ(t.hour * 3600 + t.minute * 60 + t.second, c.hour * 3600 + c.minute * 60 + c.second)
        << c.when;
    EXPECT_EQ(t.weekday, c.weekday) << c.when;
    EXPECT_EQ(t.utc_offset_s, 0);
  }
}

// Local time is UTC moved by the offset it reports, whatever the zone.
TEST(PlatformTimeTest, LocalTimeIsUtcMovedByItsOffset) {
  const std::time_t when = 1700000000;
  os::CalendarTime local;
  ASSERT_TRUE(os::LocalCalendarTime(when, local));
  EXPECT_LT(std::labs(local.utc_offset_s), 15 * 3600);
  os::CalendarTime moved;
  ASSERT_TRUE(os::UtcCalendarTime(when + local.utc_offset_s, moved));
  EXPECT_EQ(local.year, moved.year);
  EXPECT_EQ(local.month, moved.month);
  EXPECT_EQ(local.day, moved.day);
  EXPECT_EQ(local.hour, moved.hour);
  EXPECT_EQ(local.minute, moved.minute);
  EXPECT_EQ(local.weekday, moved.weekday);
}

// Commands both shells read alike.
TEST(PlatformShellTest, OutputErrorAndExitCode) {
  os::CommandEnd end = os::RunShellCommand("echo secret", std::chrono::seconds(60), 1024);
  EXPECT_TRUE(end.start_failure.empty()) << end.start_failure;
  EXPECT_FALSE(end.timed_out);
  EXPECT_EQ(end.exit_code, 0);
  EXPECT_EQ(end.output.substr(0, 6), "secret");

  end = os::RunShellCommand("echo broken 1>&2 && exit 3", std::chrono::seconds(60), 1024);
  EXPECT_EQ(end.exit_code, 3);
  EXPECT_EQ(end.output, "");
  EXPECT_EQ(end.error_output.substr(0, 6), "broken");
}

TEST(PlatformProcessTest, OwnProcessIsNotGone) {
  EXPECT_GT(os::CurrentProcessId(), 0);
  EXPECT_FALSE(os::ProcessIsGone(os::CurrentProcessId()));
  EXPECT_FALSE(os::TemporaryDirectory().empty());
}

}  // namespace
}  // namespace zeph
