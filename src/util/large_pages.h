// Large pages for large tables.
#pragma once

#include <cstddef>

namespace zeph {

// Asks for large pages under a table of `size` bytes before it is first
// touched: a table of 100 MiB otherwise costs some 25,000 page faults, more
// CPU time than reading a file of that size. Only a hint; nothing depends
// on it.
void AdviseLargePages(const void* data, size_t size);

}  // namespace zeph
