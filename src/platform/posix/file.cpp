#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

namespace zeph::platform {

int OpenFile(const std::string& path, unsigned flags, unsigned mode) {
  int os_flags = O_CLOEXEC;
  if ((flags & kRead) && (flags & kWrite)) {
    os_flags |= O_RDWR;
  } else if (flags & kWrite) {
    os_flags |= O_WRONLY;
  } else {
    os_flags |= O_RDONLY;
  }
  if (flags & kAppend) os_flags |= O_APPEND;
  if (flags & kCreate) os_flags |= O_CREAT;
  if (flags & kTruncate) os_flags |= O_TRUNC;
  if (flags & kExclusive) os_flags |= O_EXCL;
  if (flags & kNoFollow) os_flags |= O_NOFOLLOW;
  return ::open(path.c_str(), os_flags, static_cast<mode_t>(mode));
}

bool CloseFile(int fd) {
  return ::close(fd) == 0;
}

int64_t ReadSome(int fd, void* buffer, size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer, size);
    if (n >= 0 || errno != EINTR) return n;
  }
}

int64_t WriteSome(int fd, const void* bytes, size_t size) {
  for (;;) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n >= 0 || errno != EINTR) return n;
  }
}

int64_t ReadAt(int fd, void* buffer, size_t size, int64_t offset) {
  for (;;) {
    const ssize_t n = ::pread(fd, buffer, size, static_cast<off_t>(offset));
    if (n >= 0 || errno != EINTR) return n;
  }
}

int64_t WriteGathered(int fd, const Piece* pieces, size_t count) {
  std::vector<iovec> vector(count);
  for (size_t i = 0; i < count; ++i)
    vector[i] = {const_cast<char*>(pieces[i].data), pieces[i].size};
  for (;;) {
    const ssize_t n = ::writev(fd, vector.data(), static_cast<int>(count));
    if (n >= 0 || errno != EINTR) return n;
  }
}

size_t MaxGatheredPieces() {
  return IOV_MAX;
}

bool TruncateFile(int fd, int64_t size) {
  return ::ftruncate(fd, static_cast<off_t>(size)) == 0;
}

bool SyncFile(int fd) {
  return ::fsync(fd) == 0;
}

int StandardOutput() {
  return STDOUT_FILENO;
}

int StandardError() {
  return STDERR_FILENO;
}

namespace {

int64_t Nanoseconds(const timespec& time) {
  return static_cast<int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileInfo InfoOf(const struct stat& st) {
  FileInfo info;
  if (S_ISREG(st.st_mode)) {
    info.kind = FileKind::kRegular;
  } else if (S_ISDIR(st.st_mode)) {
    info.kind = FileKind::kDirectory;
  } else if (S_ISLNK(st.st_mode)) {
    info.kind = FileKind::kSymlink;
  } else {
    info.kind = FileKind::kOther;
  }
  info.size = st.st_size;
  info.device = st.st_dev;
  info.id = st.st_ino;
  info.modified_ns = Nanoseconds(st.st_mtim);
  info.changed_ns = Nanoseconds(st.st_ctim);
  info.mode = st.st_mode & 07777;
  info.links = static_cast<unsigned>(st.st_nlink);
  info.owner = st.st_uid;
  info.group = st.st_gid;
  return info;
}

}  // namespace

bool StatPath(const std::string& path, FileInfo& info) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  info = InfoOf(st);
  return true;
}

bool StatLink(const std::string& path, FileInfo& info) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return false;
  info = InfoOf(st);
  return true;
}

bool StatFile(int fd, FileInfo& info) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  info = InfoOf(st);
  return true;
}

}  // namespace zeph::platform
