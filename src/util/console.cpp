#include "util/console.h"

#include <string>

#include "platform/console.h"

namespace zeph {

void ConsoleWrite(std::string_view text) {
  platform::WriteConsoleBytes(text);
}

void ConsoleWriteLine(std::string_view text) {
  std::string line(text);
  line += '\n';
  platform::WriteConsoleBytes(line);
}

}  // namespace zeph
