#include "platform/socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cerrno>

#include "platform/windows/windows_support.h"

namespace zeph::platform {
namespace {

// The texts a POSIX system gives for the failures a connect meets, so that
// a log reads the same on both; anything else in the system's words.
std::string SocketErrorText(int error) {
  switch (error) {
    case WSAECONNREFUSED:
      return "Connection refused";
    case WSAENETUNREACH:
      return "Network is unreachable";
    case WSAEHOSTUNREACH:
      return "No route to host";
    case WSAETIMEDOUT:
      return "Connection timed out";
    case WSAECONNRESET:
      return "Connection reset by peer";
    case WSAEADDRNOTAVAIL:
      return "Cannot assign requested address";
    case WSAEAFNOSUPPORT:
      return "Address family not supported by protocol";
    default:
      return windows::SystemMessage(static_cast<DWORD>(error));
  }
}

// Winsock is started once for the life of the process.
bool StartWinsock() {
  static const bool started = [] {
    WSADATA data{};
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

SOCKET Raw(SocketHandle socket) {
  return static_cast<SOCKET>(socket);
}

}  // namespace

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) ::closesocket(Raw(socket));
}

UniqueSocket ConnectSocket(int family, int type, int protocol, const void* address,
                           size_t address_size, Deadline deadline, ConnectFailure& failure) {
  failure = {};
  if (!StartWinsock()) {
    failure.reason = SocketErrorText(::WSAGetLastError());
    return {};
  }
  const SOCKET raw = ::WSASocketW(family, type, protocol, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (raw == INVALID_SOCKET) {
    failure.reason = SocketErrorText(::WSAGetLastError());
    return {};
  }
  UniqueSocket socket(static_cast<SocketHandle>(raw));
  u_long non_blocking = 1;
  ::ioctlsocket(raw, FIONBIO, &non_blocking);
  if (::connect(raw, static_cast<const sockaddr*>(address), static_cast<int>(address_size)) == 0) {
    return socket;
  }
  const int error = ::WSAGetLastError();
  if (error != WSAEWOULDBLOCK) {
    failure.reason = SocketErrorText(error);
    return {};
  }
  for (;;) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      failure.timed_out = true;
      return {};
    }
    // A refused connect shows in the exception set, a made one as writable.
    WSAPOLLFD wait{raw, POLLWRNORM, 0};
    const int ready = ::WSAPoll(&wait, 1, static_cast<int>(left.count()));
    if (ready > 0) break;
    if (ready < 0) {
      failure.reason = SocketErrorText(::WSAGetLastError());
      return {};
    }
  }
  int so_error = 0;
  int length = sizeof so_error;
  if (::getsockopt(raw, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&so_error), &length) != 0) {
    so_error = ::WSAGetLastError();
  }
  if (so_error != 0) {
    failure.reason = SocketErrorText(so_error);
    return {};
  }
  return socket;
}

}  // namespace zeph::platform
