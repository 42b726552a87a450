// Giving an instance's directory and files to the account its runs use: on
// every system no one else may read them afterwards, and an account the
// system does not know is refused with its name.
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

class AccountAccessTest : public TempDirTest {};

TEST_F(AccountAccessTest, TheAccountAloneMayReadWhatItWasGiven) {
  if (UnderWine()) GTEST_SKIP() << kWineKeepsNoAccessList;
  const std::string account = os::CurrentAccount();
  ASSERT_FALSE(account.empty());
  Put("[Konfiguracja]\r\nHaslo=tajne\r\n");
  for (const std::string& path : {dir_, path_}) {
    std::string error;
    EXPECT_TRUE(os::GiveToAccount(path, account, true, error)) << path << ": " << error;
  }
  os::OtherReaders readers;
  ASSERT_TRUE(os::FindOtherReaders(path_, readers)) << std::strerror(errno);
  EXPECT_EQ(readers.who, "");
  // The account still reads and writes it.
  Put("[Konfiguracja]\r\n");
  EXPECT_EQ(Get(), "[Konfiguracja]\r\n");
}

TEST_F(AccountAccessTest, GivingToTheAccountItselfSucceeds) {
  Put("x");
  for (const std::string& path : {dir_, path_}) {
    std::string error;
    EXPECT_TRUE(os::GiveToAccount(path, os::CurrentAccount(), true, error))
        << path << ": " << error;
  }
}

TEST_F(AccountAccessTest, AnUnknownAccountIsRefusedByName) {
  Put("x");
  std::string error;
  EXPECT_FALSE(os::GiveToAccount(path_, "no-such-account-zeph", true, error));
  EXPECT_NE(error.find("no-such-account-zeph"), std::string::npos) << error;
}

TEST_F(AccountAccessTest, AMissingPathIsAnError) {
  std::string error;
  EXPECT_FALSE(os::GiveToAccount(dir_ + "/missing", os::CurrentAccount(), true, error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace zeph
