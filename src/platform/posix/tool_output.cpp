#include "platform/tool_output.h"

namespace zeph::platform {

void UseBinaryStandardStreams() {}

std::string ToolText(const std::string& system_text) {
  return system_text;
}

}  // namespace zeph::platform
