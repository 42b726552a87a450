#include "platform/console.h"

#include <string>

#include "platform/windows/windows_support.h"

namespace zeph::platform {
namespace {

// True when standard output is a console window rather than a file or pipe.
bool OnConsole(HANDLE output) {
  DWORD mode = 0;
  return ::GetConsoleMode(output, &mode) != 0;
}

void WriteWhole(HANDLE output, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD count = bytes.size() > 65536 ? 65536 : static_cast<DWORD>(bytes.size());
    if (!::WriteFile(output, bytes.data(), count, &written, nullptr) || written == 0) return;
    bytes.remove_prefix(written);
  }
}

}  // namespace

void WriteConsoleBytes(std::string_view bytes) {
  HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (output == nullptr || output == INVALID_HANDLE_VALUE) return;
  static const bool console = [output] {
    const bool on_console = OnConsole(output);
    // The texts are Windows-1250 whatever the console was set to.
    if (on_console) ::SetConsoleOutputCP(1250);
    return on_console;
  }();
  if (!console) {
    WriteWhole(output, bytes);  // a file or pipe gets the bytes as they are
    return;
  }
  std::string shown;
  shown.reserve(bytes.size() + 8);
  for (char c : bytes) {
    if (c == '\n') shown += '\r';
    shown += c;
  }
  WriteWhole(output, shown);
}

}  // namespace zeph::platform
