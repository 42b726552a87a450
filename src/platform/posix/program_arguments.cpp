#include "platform/program_arguments.h"

namespace zeph::platform {
namespace {

std::vector<std::string> AsGiven(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return arguments;
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return AsGiven(argc, argv);
}

std::vector<std::string> ToolArguments(int argc, char** argv) {
  return AsGiven(argc, argv);
}

}  // namespace zeph::platform
