#include "platform/memory.h"

#include <sys/mman.h>

namespace zeph::platform {

void AdviseHugePages(void* begin, size_t size) {
  ::madvise(begin, size, MADV_HUGEPAGE);
}

}  // namespace zeph::platform
