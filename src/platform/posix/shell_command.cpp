#include "platform/shell_command.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "util/unique_fd.h"

extern char** environ;

namespace zeph::platform {
namespace {

using Clock = std::chrono::steady_clock;

struct Pipe {
  UniqueFd read;
  UniqueFd write;
};

bool MakePipe(Pipe& pipe) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  pipe.read.Reset(fds[0]);
  pipe.write.Reset(fds[1]);
  return true;
}

// Reads both pipes to their end or the deadline; false at the deadline.
bool ReadOutputs(UniqueFd& out_fd, UniqueFd& err_fd, Clock::time_point deadline, size_t max_output,
                 std::string& out, std::string& err) {
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
      if (text.size() < max_output) text.append(buffer, static_cast<size_t>(n));
    }
  }
  return true;
}

// Starts the shell in its own process group as `user` (fork, as
// posix_spawn cannot change the user); the child's failure to become the
// user is its standard error and exit code 127.
int SpawnAs(const RunUser& user, const std::string& command, Pipe& out, Pipe& err, pid_t& pid) {
  // Everything the child needs, gathered before the fork: after it only
  // async-signal-safe calls are made.
  const passwd* entry = ::getpwuid(user.uid);
  const std::string home = std::string("HOME=") + (entry != nullptr ? entry->pw_dir : "/");
  const std::string user_variable = "USER=" + user.name;
  const std::string logname = "LOGNAME=" + user.name;
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const std::string_view text(*variable);
    if (text.rfind("HOME=", 0) != 0 && text.rfind("USER=", 0) != 0 &&
        text.rfind("LOGNAME=", 0) != 0) {
      variables.emplace_back(text);
    }
  }
  variables.insert(variables.end(), {home, user_variable, logname});
  std::vector<char*> envp;
  envp.reserve(variables.size() + 1);
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);
  const std::vector<gid_t> groups(user.groups.begin(), user.groups.end());
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  pid = ::fork();
  if (pid < 0) return errno;
  if (pid == 0) {
    ::setpgid(0, 0);
    const int input = ::open("/dev/null", O_RDONLY);
    if (input >= 0) ::dup2(input, STDIN_FILENO);
    ::dup2(out.write.Get(), STDOUT_FILENO);
    ::dup2(err.write.Get(), STDERR_FILENO);
    if (::setgroups(groups.size(), groups.data()) != 0 || ::setgid(user.gid) != 0 ||
        ::setuid(user.uid) != 0) {
      constexpr char kText[] = "cannot switch to the user: ";
      const char* reason = std::strerror(errno);
      [[maybe_unused]] ssize_t written = ::write(STDERR_FILENO, kText, sizeof kText - 1);
      written = ::write(STDERR_FILENO, reason, std::strlen(reason));
      ::_exit(127);
    }
    ::execve("/bin/sh", const_cast<char* const*>(argv), envp.data());
    ::_exit(127);
  }
  ::setpgid(pid, pid);  // also here: the group must exist before a kill at the time limit
  return 0;
}

int SpawnCurrent(const std::string& command, Pipe& out, Pipe& err, pid_t& pid) {
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
  const int spawned = ::posix_spawn(&pid, "/bin/sh", &actions, &attributes,
                                    const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return spawned;
}

// Runs the command as `user`, or as this process's user when it is null.
CommandEnd Run(const RunUser* user, const std::string& command, std::chrono::seconds timeout,
               size_t max_output) {
  CommandEnd end;
  Pipe out;
  Pipe err;
  if (!MakePipe(out) || !MakePipe(err)) {
    end.start_failure = std::strerror(errno);
    return end;
  }
  pid_t pid = 0;
  const int spawned = user != nullptr ? SpawnAs(*user, command, out, err, pid)
                                      : SpawnCurrent(command, out, err, pid);
  if (spawned != 0) {
    end.start_failure = std::strerror(spawned);
    return end;
  }
  out.write.Reset();
  err.write.Reset();

  const bool ended = ReadOutputs(out.read, err.read, Clock::now() + timeout, max_output, end.output,
                                 end.error_output);
  if (!ended) ::kill(-pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  end.timed_out = !ended;
  if (WIFSIGNALED(status)) end.signal = WTERMSIG(status);
  if (WIFEXITED(status)) end.exit_code = WEXITSTATUS(status);
  return end;
}

}  // namespace

CommandEnd RunShellCommand(const std::string& command, std::chrono::seconds timeout,
                           size_t max_output) {
  return Run(nullptr, command, timeout, max_output);
}

bool CanRunAs(const RunUser& user) {
  return user.is_current || ::geteuid() == 0;
}

CommandEnd RunShellCommandAs(const RunUser& user, const std::string& command,
                             std::chrono::seconds timeout, size_t max_output) {
  if (user.is_current) return Run(nullptr, command, timeout, max_output);
  if (!CanRunAs(user)) {
    CommandEnd end;
    end.start_failure = "only root can run a command as user " + user.name;
    return end;
  }
  return Run(&user, command, timeout, max_output);
}

}  // namespace zeph::platform
