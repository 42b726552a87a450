#include "tools/check/smtp_probe.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "util/files.h"
#include "util/unique_fd.h"

namespace zeph {
namespace {

using Clock = std::chrono::steady_clock;

int MillisLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

UniqueFd Connect(const std::string& host, int port, Clock::time_point deadline,
                 std::string& error) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int rc = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (rc != 0) {
    error = "cannot resolve " + host + ": " + ::gai_strerror(rc);
    return UniqueFd();
  }
  error = "cannot connect to " + host + ":" + std::to_string(port);
  UniqueFd result;
  for (addrinfo* a = found; a != nullptr && !result; a = a->ai_next) {
    UniqueFd fd(
        ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
    if (!fd) continue;
    if (::connect(fd.Get(), a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS) {
      error += std::string(": ") + std::strerror(errno);
      continue;
    }
    pollfd p{fd.Get(), POLLOUT, 0};
    if (::poll(&p, 1, MillisLeft(deadline)) <= 0) {
      error += ": no answer in time";
      continue;
    }
    int so_error = 0;
    socklen_t len = sizeof so_error;
    ::getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &so_error, &len);
    if (so_error != 0) {
      error += std::string(": ") + std::strerror(so_error);
      continue;
    }
    result = std::move(fd);
  }
  ::freeaddrinfo(found);
  if (result) error.clear();
  return result;
}

// Reads one reply (all its lines); false on a time-out or a closed
// connection.
bool ReadReply(int fd, std::string& pending, Clock::time_point deadline,
               std::vector<std::string>& lines, std::string& error) {
  lines.clear();
  for (;;) {
    size_t eol;
    while ((eol = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, eol);
      pending.erase(0, eol + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      if (line.size() < 4 || line[3] != '-') return true;
    }
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, MillisLeft(deadline)) <= 0) {
      error = "the server did not answer in time";
      return false;
    }
    char buffer[4096];
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) {
      error = "the server closed the connection";
      return false;
    }
    pending.append(buffer, static_cast<size_t>(n));
  }
}

bool Send(int fd, const std::string& command) {
  // The socket is non-blocking; a command this short fits the send buffer.
  return WriteAll(fd, command);
}

std::string Upper(std::string s) {
  for (char& c : s) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return s;
}

bool OffersAuthLogin(const std::string& extension) {
  std::string upper = Upper(extension);
  if (upper.rfind("AUTH", 0) != 0 || upper.size() < 5) return false;
  if (upper[4] != ' ' && upper[4] != '=') return false;
  upper += ' ';
  return upper.find(" LOGIN ", 4) != std::string::npos ||
         upper.find("=LOGIN ", 4) != std::string::npos;
}

}  // namespace

SmtpProbe ProbeSmtpServer(const std::string& host, int port, int timeout_seconds) {
  SmtpProbe probe;
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeout_seconds);
  UniqueFd fd = Connect(host, port, deadline, probe.error);
  if (!fd) return probe;
  std::string pending;
  std::vector<std::string> lines;
  if (!ReadReply(fd.Get(), pending, deadline, lines, probe.error)) return probe;
  if (lines.back().rfind("220", 0) != 0) {
    probe.error = "greeting refused: " + lines.back();
    return probe;
  }
  char name[256] = "localhost";
  if (::gethostname(name, sizeof name - 1) != 0) std::strcpy(name, "localhost");
  if (!Send(fd.Get(), std::string("EHLO ") + name + "\r\n")) {
    probe.error = std::string("cannot send EHLO: ") + std::strerror(errno);
    return probe;
  }
  if (!ReadReply(fd.Get(), pending, deadline, lines, probe.error)) return probe;
  if (lines.back().rfind("250", 0) != 0) {
    probe.error = "EHLO refused: " + lines.back();
    return probe;
  }
  for (size_t i = 1; i < lines.size(); ++i) {
    std::string extension = lines[i].size() > 4 ? lines[i].substr(4) : "";
    probe.auth_login = probe.auth_login || OffersAuthLogin(extension);
    probe.extensions.push_back(extension);
  }
  probe.reached = true;
  if (Send(fd.Get(), "QUIT\r\n")) {
    std::string ignored;
    ReadReply(fd.Get(), pending, std::min(deadline, Clock::now() + std::chrono::seconds(5)), lines,
              ignored);
  }
  return probe;
}

}  // namespace zeph
