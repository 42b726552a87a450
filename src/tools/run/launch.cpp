#include "tools/run/launch.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace zeph {

ProgramEnd RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& variable, const std::string& value) {
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
  pid_t pid = 0;
  const int error = posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data());
  if (error != 0) {
    end.failure = "cannot start " + program + ": " + std::strerror(error);
    return end;
  }
  end.started = true;
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

}  // namespace zeph
