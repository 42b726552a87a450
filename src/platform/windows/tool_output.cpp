#include "platform/tool_output.h"

#include <fcntl.h>
#include <io.h>

#include "platform/windows/windows_support.h"

namespace zeph::platform {

void UseBinaryStandardStreams() {
  static const bool binary = [] {
    ::_setmode(0, _O_BINARY);
    ::_setmode(1, _O_BINARY);
    ::_setmode(2, _O_BINARY);
    return true;
  }();
  (void)binary;
}

std::string ToolText(const std::string& system_text) {
  return windows::Utf8(windows::Wide(system_text));
}

std::string SystemText(const std::string& tool_text) {
  return windows::ProgramText(windows::WideOfUtf8(tool_text));
}

}  // namespace zeph::platform
