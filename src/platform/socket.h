// TCP connections: the mail transport's connect under its own deadline.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace zeph::platform {

// A socket descriptor (POSIX) or handle (Windows); kNoSocket when none.
using SocketHandle = intptr_t;
constexpr SocketHandle kNoSocket = -1;

void CloseSocket(SocketHandle socket);

// Owns a socket and closes it on every path out of a scope.
class UniqueSocket {
 public:
  UniqueSocket() = default;
  explicit UniqueSocket(SocketHandle socket) : socket_(socket) {}
  UniqueSocket(UniqueSocket&& other) noexcept : socket_(std::exchange(other.socket_, kNoSocket)) {}
  UniqueSocket& operator=(UniqueSocket&& other) noexcept {
    if (this != &other) {
      CloseSocket(socket_);
      socket_ = std::exchange(other.socket_, kNoSocket);
    }
    return *this;
  }
  UniqueSocket(const UniqueSocket&) = delete;
  UniqueSocket& operator=(const UniqueSocket&) = delete;
  ~UniqueSocket() { CloseSocket(socket_); }

  SocketHandle Get() const { return socket_; }
  explicit operator bool() const { return socket_ != kNoSocket; }
  SocketHandle Release() { return std::exchange(socket_, kNoSocket); }

 private:
  SocketHandle socket_ = kNoSocket;
};

using Deadline = std::chrono::steady_clock::time_point;

// Why a connect failed: the system's reason, or `timed_out`.
struct ConnectFailure {
  std::string reason;
  bool timed_out = false;
};

// Makes a non-blocking socket and connects it to `address` (a sockaddr of
// `address_size` bytes) by `deadline`.
UniqueSocket ConnectSocket(int family, int type, int protocol, const void* address,
                           size_t address_size, Deadline deadline, ConnectFailure& failure);
}  // namespace zeph::platform
