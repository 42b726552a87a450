// On Windows an instance given to a service account: the account's entry
// and the Administrators' replace every other (those taken from the
// directory above included), and what is made in the directory later
// inherits the same.
#include "platform/account_access.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/other_readers.h"
#include "test_support.h"
#include "wine_gap.h"

namespace zeph {
namespace {

namespace os = platform;

// A built-in account every Windows (and Wine) knows, other than the one
// the tests run as.
constexpr const char* kService = "NETWORK SERVICE";

class ServiceAccountAccessTest : public TempDirTest {
 protected:
  void SetUp() override {
    if (UnderWine()) GTEST_SKIP() << kWineKeepsNoAccessList;
    TempDirTest::SetUp();
  }
  std::string Readers(const std::string& path) {
    os::OtherReaders readers;
    EXPECT_TRUE(os::FindOtherReaders(path, readers)) << path << ": " << std::strerror(errno);
    return readers.who;
  }
};

TEST_F(ServiceAccountAccessTest, TheServiceAccountAloneReadsTheDirectoryAndItsNewFiles) {
  std::string error;
  ASSERT_TRUE(os::GiveToAccount(dir_, kService, false, error)) << error;
  Put("Haslo=tajne\r\n");
  EXPECT_EQ(Readers(path_), "NT AUTHORITY\\NETWORK SERVICE");
  ASSERT_TRUE(os::GiveToAccount(path_, kService, true, error)) << error;
  EXPECT_EQ(Readers(path_), "NT AUTHORITY\\NETWORK SERVICE");
}

TEST_F(ServiceAccountAccessTest, GivenToAnotherAccountTheFirstLosesIt) {
  Put("Haslo=tajne\r\n");
  std::string error;
  ASSERT_TRUE(os::GiveToAccount(path_, kService, true, error)) << error;
  ASSERT_TRUE(os::GiveToAccount(path_, os::CurrentAccount(), true, error)) << error;
  EXPECT_EQ(Readers(path_), "");
}

}  // namespace
}  // namespace zeph
