#include "platform/program_launch.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "util/unique_fd.h"

extern char** environ;

namespace zeph::platform {
namespace {

// File actions of the child, destroyed on every path out.
class SpawnActions {
 public:
  SpawnActions() { posix_spawn_file_actions_init(&actions_); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  posix_spawn_file_actions_t* Get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_{};
};

// Spawn attributes of the child, destroyed on every path out. The child gets
// the default action of SIGPIPE back, which the wrapper itself ignores.
class SpawnAttributes {
 public:
  SpawnAttributes() {
    posix_spawnattr_init(&attributes_);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes_, &defaults);
    posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGDEF);
  }
  ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  posix_spawnattr_t* Get() { return &attributes_; }

 private:
  posix_spawnattr_t attributes_{};
};

// Reads the pipe to its end; the program's output is never dropped, even
// when it outlives a read error on the way.
void Drain(int fd, const OutputSink& output) {
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    output(std::string_view(buffer, static_cast<size_t>(n)));
  }
}

}  // namespace

ProgramEnd RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& variable, const std::string& value,
                      const OutputSink& output) {
  std::vector<std::string> environment;
  const std::string prefix = variable + "=";
  for (char** entry = environ; *entry; ++entry) {
    if (std::strncmp(*entry, prefix.c_str(), prefix.size()) != 0) environment.emplace_back(*entry);
  }
  environment.push_back(prefix + value);

  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  std::string argv0 = program;
  argv.push_back(argv0.data());
  std::vector<std::string> args = arguments;
  for (std::string& argument : args) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  envp.reserve(environment.size() + 1);
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);

  ProgramEnd end;
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) {
    end.failure =
        std::string("cannot make a pipe for the program's output: ") + std::strerror(errno);
    return end;
  }
  UniqueFd read_end(ends[0]);
  UniqueFd write_end(ends[1]);
  SpawnActions actions;
  posix_spawn_file_actions_adddup2(actions.Get(), write_end.Get(), STDOUT_FILENO);
  SpawnAttributes attributes;
  pid_t pid = 0;
  const int error =
      posix_spawn(&pid, program.c_str(), actions.Get(), attributes.Get(), argv.data(), envp.data());
  write_end.Reset();  // the child's copy is the only writer left
  if (error != 0) {
    end.failure = "cannot start " + program + ": " + std::strerror(error);
    return end;
  }
  end.started = true;
  Drain(read_end.Get(), output);
  read_end.Reset();
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      end.failure = std::string("cannot wait for the program: ") + std::strerror(errno);
      return end;
    }
  }
  if (WIFEXITED(status)) {
    end.exit_code = WEXITSTATUS(status);
    if (end.exit_code != 0)
      end.failure = "the program exited with code " + std::to_string(end.exit_code);
  } else if (WIFSIGNALED(status)) {
    end.failure = std::string("the program was killed by signal ") + strsignal(WTERMSIG(status));
  }
  return end;
}

}  // namespace zeph::platform
