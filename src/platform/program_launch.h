// Starting another program and waiting for it (the run wrapper starts the
// instance's program this way).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zeph::platform {

struct ProgramEnd {
  bool started = false;
  std::string failure;  // why it could not start, or how it ended abnormally
  int exit_code = -1;   // when it exited normally
};

// Receives the program's standard output as it comes, in pieces of any size.
using OutputSink = std::function<void(std::string_view bytes)>;

// Runs `program` with `arguments` (argv[0] is the program's path) and
// `variable`=`value` added to the environment; standard input and error are
// shared with this process, standard output goes through a pipe to `output`.
// Returns when the program has ended and its output has been read to the end.
ProgramEnd RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& variable, const std::string& value,
                      const OutputSink& output);

}  // namespace zeph::platform
