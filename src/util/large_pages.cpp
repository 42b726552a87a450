#include "util/large_pages.h"

#include <sys/mman.h>

#include <cstdint>

namespace zeph {

void AdviseLargePages(const void* data, size_t size) {
  constexpr uintptr_t kLarge = 2 << 20;
  if (size < 2 * kLarge) return;
  uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kLarge - 1) & ~(kLarge - 1);
  uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(kLarge - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace zeph
