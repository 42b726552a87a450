// Starting the instance's program and waiting for it.
#pragma once

#include <string>
#include <vector>

namespace zeph {

struct ProgramEnd {
  bool started = false;
  std::string failure;  // why it could not start, or how it ended abnormally
  int exit_code = -1;   // when it exited normally
};

// Runs `program` with `arguments` (argv[0] is the program's path), standard
// input, output and error shared with this process, and `variable`=`value`
// added to the environment. Returns when it has ended.
ProgramEnd RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& variable, const std::string& value);

}  // namespace zeph
