#include "platform/memory.h"

namespace zeph::platform {

// Large pages need a privilege an unattended account rarely has, and a
// buffer asked for them up front; ordinary pages serve.
void AdviseHugePages(void*, size_t) {}

}  // namespace zeph::platform
