#include "platform/console.h"

#include <cstdio>

namespace zeph::platform {

void WriteConsoleBytes(std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

}  // namespace zeph::platform
