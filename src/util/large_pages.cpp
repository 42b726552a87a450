#include "util/large_pages.h"

#include <cstdint>

#include "platform/memory.h"

namespace zeph {

void AdviseLargePages(const void* data, size_t size) {
  constexpr uintptr_t kLarge = 2 << 20;
  if (size < 2 * kLarge) return;
  uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kLarge - 1) & ~(kLarge - 1);
  uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(kLarge - 1);
  if (end > begin) platform::AdviseHugePages(reinterpret_cast<void*>(begin), end - begin);
}

}  // namespace zeph
