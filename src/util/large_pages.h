// Large pages for large tables.
#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <utility>
#include <vector>

namespace zeph {

// Asks for large pages under a table of `size` bytes before it is first
// touched: a table of 100 MiB otherwise costs some 25,000 page faults, more
// CPU time than reading a file of that size. Only a hint; nothing depends
// on it.
void AdviseLargePages(const void* data, size_t size);

// Makes room for one more element, doubling the capacity into memory
// advised as above: a table built element by element stays on large pages.
template <class T>
void GrowLarge(std::vector<T>& table) {
  if (table.size() < table.capacity()) return;
  std::vector<T> larger;
  larger.reserve(table.capacity() < 64 ? 64 : table.capacity() * 2);
  AdviseLargePages(larger.data(), larger.capacity() * sizeof(T));
  std::move(table.begin(), table.end(), std::back_inserter(larger));
  table.swap(larger);
}

}  // namespace zeph
