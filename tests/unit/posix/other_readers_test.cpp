// Who besides the owner may read a file, from its mode: the group and other
// read bits decide, with the remedy the check tells.
#include "platform/other_readers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "test_support.h"

namespace zeph {
namespace {

class OtherReadersTest : public TempDirTest {};

TEST_F(OtherReadersTest, GroupAndOtherReadBitsDecide) {
  struct Case {
    mode_t mode;
    const char* who;
    const char* because;
  };
  const Case cases[] = {
      {0600, "", ""},
      {0620, "", ""},  // written, not read, by the group
      {0640, "its group", "mode 0640"},
      {0604, "all users", "mode 0604"},
      {0644, "all users", "mode 0644"},
      {04644, "all users", "mode 4644"},
  };
  Put("[A]\r\nHaslo=tajne\r\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.because);
    ASSERT_EQ(::chmod(path_.c_str(), c.mode), 0);
    platform::OtherReaders readers;
    ASSERT_TRUE(platform::FindOtherReaders(path_, readers));
    EXPECT_EQ(readers.who, c.who);
    EXPECT_EQ(readers.because, c.because);
    EXPECT_EQ(readers.remedy, *c.who != '\0' ? "chmod 600 " + path_ : "");
  }
}

TEST_F(OtherReadersTest, MissingFileIsAnError) {
  platform::OtherReaders readers;
  EXPECT_FALSE(platform::FindOtherReaders(dir_ + "/none.ini", readers));
  EXPECT_EQ(errno, ENOENT);
}

}  // namespace
}  // namespace zeph
