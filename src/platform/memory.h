// Hints to the system about the program's memory.
#pragma once

#include <cstddef>

namespace zeph::platform {

// Asks for huge pages behind [begin, begin + size) where the system offers
// them; no effect elsewhere.
void AdviseHugePages(void* begin, size_t size);

}  // namespace zeph::platform
