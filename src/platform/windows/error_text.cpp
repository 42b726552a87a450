#include "platform/error_text.h"

#include <cerrno>
#include <cstring>

namespace zeph::platform {

// The C runtime knows no text for some of these (ELOOP, EWOULDBLOCK are
// "Unknown error") and words others its own way ("Not enough space"): the
// texts of a POSIX system for every value windows::ErrnoOf and the layer
// set, others as the runtime has them.
const char* ErrorText(int error) {
  struct Text {
    int error;
    const char* text;
  };
  static constexpr Text kTexts[] = {
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
  for (const Text& text : kTexts) {
    if (text.error == error) return text.text;
  }
  return std::strerror(error);
}

}  // namespace zeph::platform
