#include "util/replace_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "util/files.h"
#include "util/unique_fd.h"

namespace zeph {

int ReplaceFile(const std::string& path, std::string_view bytes, mode_t mode) {
  const size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string temporary = directory + "." + name + "." + std::to_string(::getpid()) + ".tmp";

  // A leftover of an earlier process with the same id goes; O_EXCL then
  // makes sure nothing else (a planted symlink) is written through.
  ::unlink(temporary.c_str());
  UniqueFd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
  if (!fd) return errno;
  int error = 0;
  if (!WriteAll(fd.Get(), bytes) || ::fsync(fd.Get()) != 0) error = errno;
  if (!fd.Close() && error == 0) error = errno;
  if (error == 0 && std::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) ::unlink(temporary.c_str());
  return error;
}

}  // namespace zeph
