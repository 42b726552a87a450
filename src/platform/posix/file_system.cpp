#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "util/unique_fd.h"

namespace zeph::platform {
namespace {

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

bool IsPathSeparator(char c) {
  return c == '/';
}

bool MakeDirectory(const std::string& path) {
  return ::mkdir(path.c_str(), 0777) == 0;
}

bool RemoveFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

std::string MakeTemporaryDirectory(const std::string& pattern) {
  std::string name = pattern;
  if (::mkdtemp(name.data()) == nullptr) return {};
  return name;
}

bool ListDirectory(const std::string& directory, std::vector<std::string>& names) {
  names.clear();
  DIR* stream = ::opendir(directory.c_str());
  if (stream == nullptr) return false;
  while (const dirent* item = ::readdir(stream)) {
    const std::string name = item->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(stream);
  return true;
}

bool ReadSymbolicLink(const std::string& path, std::string& target) {
  std::string buffer(PATH_MAX, '\0');
  for (;;) {
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n < 0) return false;
    if (static_cast<size_t>(n) < buffer.size()) {
      target.assign(buffer.data(), static_cast<size_t>(n));
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool IsAbsolutePath(const std::string& path) {
  return !path.empty() && path[0] == '/';
}

bool ReplaceByRename(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool SyncDirectoryOf(const std::string& path) {
  UniqueFd dir(::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return dir.Valid() && ::fsync(dir.Get()) == 0;
}

bool CanRead(const std::string& path) {
  return ::access(path.c_str(), R_OK) == 0;
}

bool CanWrite(const std::string& path) {
  return ::access(path.c_str(), W_OK) == 0;
}

std::string ResolvedPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return {};
  std::string result = resolved;
  std::free(resolved);  // NOLINT(cppcoreguidelines-no-malloc): realpath() allocates with malloc
  return result;
}

const char* ExecutableSuffix() {
  return "";
}

std::string ExecutablePath() {
  std::string path;
  if (!ReadSymbolicLink("/proc/self/exe", path)) return {};
  return path;
}

}  // namespace zeph::platform
