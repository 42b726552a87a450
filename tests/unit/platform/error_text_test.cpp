// The reasons the program gives read the same on every system: for each
// errno value the platform layer sets, the text of a POSIX system.
#include "platform/error_text.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace zeph {
namespace {

TEST(ErrorTextTest, SameTextsOnEverySystem) {
  struct Case {
    int error;
    const char* text;
  };
  const Case cases[] = {
      {ENOENT, "No such file or directory"},
      {EIO, "Input/output error"},
      {ENOEXEC, "Exec format error"},
      {EBADF, "Bad file descriptor"},
      {EAGAIN, "Resource temporarily unavailable"},
      {EWOULDBLOCK, "Resource temporarily unavailable"},
      {ENOMEM, "Cannot allocate memory"},
      {EACCES, "Permission denied"},
      {EEXIST, "File exists"},
      {EXDEV, "Invalid cross-device link"},
      {ENOTDIR, "Not a directory"},
      {EISDIR, "Is a directory"},
      {EINVAL, "Invalid argument"},
      {EMFILE, "Too many open files"},
      {ENOSPC, "No space left on device"},
      {EROFS, "Read-only file system"},
      {EPIPE, "Broken pipe"},
      {ENAMETOOLONG, "File name too long"},
      {ENOSYS, "Function not implemented"},
      {ENOTEMPTY, "Directory not empty"},
      {ELOOP, "Too many levels of symbolic links"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(std::string(platform::ErrorText(c.error)), c.text) << "errno " << c.error;
  }
}

}  // namespace
}  // namespace zeph
