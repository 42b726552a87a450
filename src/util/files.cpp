#include "util/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "util/error.h"

namespace zeph {
namespace {

std::string SystemErrorText(int error) {
  return std::strerror(error);
}

void WriteOrThrow(int fd, std::string_view bytes, const std::string& path) {
  if (!WriteAll(fd, bytes)) {
    int error = errno;
    throw Exception("Cannot write to file \"" + path + "\". " + SystemErrorText(error));
  }
}

}  // namespace

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

void AppendTextToFile(std::string_view text, const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) {
    fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
      int error = errno;
      throw Exception("Cannot create file \"" + path + "\". " + SystemErrorText(error));
    }
  } else if (fd < 0) {
    int error = errno;
    throw Exception("Cannot open file \"" + path + "\". " + SystemErrorText(error));
  }
  // The file is used without sharing: a second writer fails instead of
  // interleaving its lines with ours.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    ::close(fd);
    throw Exception("Cannot open file \"" + path + "\". " + SystemErrorText(error));
  }
  try {
    WriteOrThrow(fd, text, path);
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::close(fd);
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    int error = errno;
    throw Exception("Cannot create file \"" + path + "\". " + SystemErrorText(error));
  }
  try {
    WriteOrThrow(fd, bytes, path);
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::close(fd) != 0) {
    int error = errno;
    throw Exception("Cannot write to file \"" + path + "\". " + SystemErrorText(error));
  }
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::string dir = path;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (DirectoryExists(dir)) return true;
  size_t slash = dir.find_last_of('/');
  if (slash != std::string::npos && slash > 0) ForceDirectories(dir.substr(0, slash));
  ::mkdir(dir.c_str(), 0777);
  return DirectoryExists(dir);
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  if (!path.empty() && path.back() == '/') return path;
  return path + "/";
}

std::string ExecutableDirectory() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return "./";
    if (static_cast<size_t>(n) < buffer.size()) {
      std::string exe(buffer.data(), static_cast<size_t>(n));
      size_t slash = exe.find_last_of('/');
      return slash == std::string::npos ? "./" : exe.substr(0, slash + 1);
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace zeph
