#include "util/large_pages.h"

#include <cstdint>

#include "platform/memory.h"

namespace zeph {

void AdviseLargePages(const void* data, size_t size) {
  constexpr size_t kLarge = 2 << 20;
  if (size < 2 * kLarge) return;
  // The whole huge pages inside the block: its start rounded up and its end
  // down, moved as pointers (an address turned back into a pointer would
  // lose what the compiler knows of where it points).
  const auto* first = static_cast<const char*>(data);
  const size_t into_first = reinterpret_cast<uintptr_t>(first) & (kLarge - 1);
  const char* begin = first + (into_first == 0 ? 0 : kLarge - into_first);
  const char* end = first + size - ((reinterpret_cast<uintptr_t>(first) + size) & (kLarge - 1));
  if (end > begin) {
    platform::AdviseHugePages(const_cast<char*>(begin), static_cast<size_t>(end - begin));
  }
}

}  // namespace zeph
