#include "platform/tool_output.h"

namespace zeph::platform {

void UseBinaryStandardStreams() {}

std::string ToolText(const std::string& system_text) {
  return system_text;
}

std::string SystemText(const std::string& tool_text) {
  return tool_text;
}

}  // namespace zeph::platform
