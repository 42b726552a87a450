// The arguments a program was started with, argv[0] left out.
//
// POSIX systems hand a program its arguments as bytes; they are taken as
// they are. Windows keeps the command line in UTF-16, and the argv of the C
// runtime is its conversion to the ANSI code page, where a character the
// code page lacks becomes '?' or a look-alike: "/中" would arrive as "/?",
// the help switch, and "/ĒK" as "/EK". On Windows the arguments are
// therefore taken from the wide command line and converted here.
#pragma once

#include <string>
#include <vector>

namespace zeph::platform {

// What stands for a character the program's code page lacks: '¤' in
// Windows-1250, a character no switch holds and none that means "any".
inline constexpr char kNoSuchCharacter = '\xA4';

// As the program's Windows-1250 texts. On Windows every character of the
// ANSI code page (1250 on the machines the program serves) stays itself,
// and any other becomes kNoSuchCharacter, never a look-alike: an argument
// holding one is never a switch, as on POSIX systems, where its bytes name
// none either.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// As the tools' reports show them: UTF-8 on Windows, exactly as typed; the
// bytes as given on POSIX systems. platform::SystemText (tool_output.h)
// turns one into what the system and the program take.
std::vector<std::string> ToolArguments(int argc, char** argv);

}  // namespace zeph::platform
