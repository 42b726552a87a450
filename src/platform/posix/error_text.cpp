#include "platform/error_text.h"

#include <cstring>

namespace zeph::platform {

const char* ErrorText(int error) {
  return std::strerror(error);
}

}  // namespace zeph::platform
