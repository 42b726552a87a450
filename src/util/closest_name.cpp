#include "util/closest_name.h"

#include <algorithm>
#include <numeric>

#include "util/text.h"

namespace zeph {
namespace {

constexpr size_t kMaxEdits = 2;

// Edits between two upper-cased names, a swap of neighbours counting as one
// (the optimal string alignment distance).
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> before(b.size() + 1);  // two rows up, for a swap
  std::vector<size_t> above(b.size() + 1);
  std::vector<size_t> row(b.size() + 1);
  std::iota(above.begin(), above.end(), size_t{0});
  for (size_t i = 1; i <= a.size(); ++i) {
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      row[j] =
          std::min({above[j] + 1, row[j - 1] + 1, above[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        row[j] = std::min(row[j], before[j - 2] + 1);
      }
    }
    std::swap(before, above);
    std::swap(above, row);
  }
  return above[b.size()];
}

}  // namespace

std::string ClosestName(std::string_view name, const std::vector<std::string>& known) {
  const std::string upper = UpperCase1250(std::string(name));
  std::string best;
  size_t best_edits = kMaxEdits + 1;
  for (const std::string& candidate : known) {
    const size_t edits = EditDistance(upper, UpperCase1250(candidate));
    if (edits < best_edits) {
      best = candidate;
      best_edits = edits;
    }
  }
  return best;
}

}  // namespace zeph
