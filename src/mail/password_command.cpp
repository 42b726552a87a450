#include "mail/password_command.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>

#include "config/ini_encoding.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/text.h"
#include "util/unique_fd.h"

extern char** environ;

namespace zeph {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTimeoutSeconds = 60;
constexpr size_t kMaxOutput = 64 * 1024;  // more is no password
constexpr size_t kMaxErrorText = 1000;    // of standard error, in the message

struct Pipe {
  UniqueFd read;
  UniqueFd write;
};

Pipe MakePipe() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    throw Exception(Text1250("nie można uruchomić PolecenieHasla: ") + std::strerror(errno));
  }
  return {UniqueFd(fds[0]), UniqueFd(fds[1])};
}

// What the command printed is UTF-8 when it reads as such (the system's
// tools), otherwise Windows-1250 (a command written in serwery.ini's own
// encoding that echoes its text).
bool IsUtf8Text(std::string_view bytes) {
  return DetectIniEncoding(bytes) == IniEncoding::kUtf8;
}

// Standard error as one line of the program's message: control characters
// become blanks, the text is cut, and UTF-8 becomes Windows-1250.
std::string ErrorText(const std::string& bytes) {
  std::string text = bytes.substr(0, kMaxErrorText);
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < ' ' || c == 0x7F) c = ' ';
  }
  text = Trim(text);
  return IsUtf8Text(text) ? Utf8ToAnsi(text) : text;
}

std::string Failure(const std::string& what, const std::string& error_output) {
  const std::string text = ErrorText(error_output);
  return Text1250(what) + (text.empty() ? "" : ": " + text);
}

// Reads both pipes to their end or the deadline; false at the deadline.
bool ReadOutputs(UniqueFd& out_fd, UniqueFd& err_fd, Clock::time_point deadline, std::string& out,
                 std::string& err) {
  UniqueFd* fds[2] = {&out_fd, &err_fd};
  std::string* texts[2] = {&out, &err};
  while (out_fd || err_fd) {
    pollfd polls[2];
    nfds_t count = 0;
    int which[2];
    for (int i = 0; i < 2; ++i) {
      if (!*fds[i]) continue;
      polls[count] = {fds[i]->Get(), POLLIN, 0};
      which[count++] = i;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    const int ready = ::poll(polls, count, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) return false;
    for (nfds_t p = 0; ready > 0 && p < count; ++p) {
      if (polls[p].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = ::read(polls[p].fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        fds[which[p]]->Reset();
        continue;
      }
      std::string& text = *texts[which[p]];
      if (text.size() < kMaxOutput) text.append(buffer, static_cast<size_t>(n));
    }
  }
  return true;
}

}  // namespace

std::string RunPasswordCommand(const std::string& command, int timeout_seconds) {
  Pipe out = MakePipe();
  Pipe err = MakePipe();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out.write.Get(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err.write.Get(), STDERR_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own process group: at the time limit the shell goes with whatever
  // it started, which could otherwise hold the pipes open.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, "/bin/sh", &actions, &attributes,
                                    const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) {
    throw Exception(Text1250("nie można uruchomić PolecenieHasla: ") + std::strerror(spawned));
  }
  out.write.Reset();
  err.write.Reset();

  std::string output;
  std::string error_output;
  const bool ended =
      ReadOutputs(out.read, err.read, Clock::now() + std::chrono::seconds(timeout_seconds), output,
                  error_output);
  if (!ended) ::kill(-pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!ended) {
    throw Exception(Failure("PolecenieHasla nie zakończyło się w ciągu " +
                                std::to_string(timeout_seconds) + " s i zostało przerwane",
                            error_output));
  }
  if (WIFSIGNALED(status)) {
    throw Exception(
        Failure("PolecenieHasla zostało przerwane sygnałem " + std::to_string(WTERMSIG(status)),
                error_output));
  }
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (code != 0) {
    throw Exception(
        Failure("PolecenieHasla zakończyło się kodem " + std::to_string(code), error_output));
  }
  std::string password = output.substr(0, output.find('\n'));
  if (!password.empty() && password.back() == '\r') password.pop_back();
  if (password.empty()) {
    throw Exception(
        Failure("PolecenieHasla nie wypisało hasła: jego pierwszy wiersz jest pusty (kod 0)",
                error_output));
  }
  // The session sends UTF-8, as it does with Haslo converted.
  return IsUtf8Text(password) ? password : AnsiToUtf8(password);
}

std::string PasswordFromCommand(const std::string& command) {
  struct Outcome {
    std::string password;
    std::string error;
  };
  // One run of the program mails with one password: the command is not run
  // again for every mail, nor again after it failed.
  static std::map<std::string, Outcome> outcomes;
  auto found = outcomes.find(command);
  if (found == outcomes.end()) {
    Outcome outcome;
    try {
      outcome.password = RunPasswordCommand(command, kTimeoutSeconds);
    } catch (const Exception& e) {
      outcome.error = e.Message();
    }
    found = outcomes.emplace(command, std::move(outcome)).first;
  }
  if (!found->second.error.empty()) throw Exception(found->second.error);
  return found->second.password;
}

}  // namespace zeph
