#include "platform/socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zeph::platform {
namespace {

int MillisLeft(Deadline deadline) {
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

int Fd(SocketHandle socket) {
  return static_cast<int>(socket);
}

}  // namespace

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) ::close(Fd(socket));
}

UniqueSocket ConnectSocket(int family, int type, int protocol, const void* address,
                           size_t address_size, Deadline deadline, ConnectFailure& failure) {
  failure = {};
  UniqueSocket socket(::socket(family, type | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol));
  if (!socket) {
    socket.Release();
    failure.reason = std::strerror(errno);
    return {};
  }
  if (::connect(Fd(socket.Get()), static_cast<const sockaddr*>(address),
                static_cast<socklen_t>(address_size)) == 0) {
    return socket;
  }
  if (errno != EINPROGRESS) {
    failure.reason = std::strerror(errno);
    return {};
  }
  pollfd wait{Fd(socket.Get()), POLLOUT, 0};
  for (;;) {
    const int left = MillisLeft(deadline);
    if (left <= 0) {
      failure.timed_out = true;
      return {};
    }
    const int ready = ::poll(&wait, 1, left);
    if (ready > 0) break;
    if (ready < 0 && errno != EINTR) {
      failure.reason = std::strerror(errno);
      return {};
    }
  }
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(Fd(socket.Get()), SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
  if (error != 0) {
    failure.reason = std::strerror(error);
    return {};
  }
  return socket;
}

}  // namespace zeph::platform
