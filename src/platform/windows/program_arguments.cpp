#include "platform/program_arguments.h"

// shellapi.h needs windows.h before it.
#include "platform/windows/windows_support.h"
// clang-format off
#include <shellapi.h>
// clang-format on

namespace zeph::platform {
namespace {

// The arguments of the wide command line, converted one by one. The C
// runtime's argv is what Windows turned them into; it is taken only when the
// system cannot split its line (out of memory).
std::vector<std::string> Converted(int argc, char** argv,
                                   std::string (*convert)(const std::wstring&)) {
  std::vector<std::string> arguments;
  int count = 0;
  windows::LocalMemory memory;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  *memory.Out() = wide;
  if (wide == nullptr) {
    for (int i = 1; i < argc; ++i) arguments.push_back(convert(windows::Wide(argv[i])));
    return arguments;
  }
  for (int i = 1; i < count; ++i) arguments.push_back(convert(wide[i]));
  return arguments;
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return Converted(argc, argv, windows::ProgramText);
}

std::vector<std::string> ToolArguments(int argc, char** argv) {
  return Converted(argc, argv, windows::Utf8);
}

}  // namespace zeph::platform
