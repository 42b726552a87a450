// Owns a file descriptor and closes it on every path out of a scope.
#pragma once

#include <utility>

#include "platform/file.h"

namespace zeph {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.fd_, -1));
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  explicit operator bool() const { return Valid(); }
  int Release() { return std::exchange(fd_, -1); }
  void Reset(int fd = -1) {
    if (fd_ >= 0) platform::CloseFile(fd_);
    fd_ = fd;
  }
  // Closes now and reports whether close() succeeded (a deferred write error
  // of some file systems shows only here).
  bool Close() {
    int fd = std::exchange(fd_, -1);
    return fd < 0 || platform::CloseFile(fd);
  }

 private:
  int fd_ = -1;
};

}  // namespace zeph
