#include "host/host_results.h"

#include <cmath>

#include "util/error.h"

namespace zeph {

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

TDateTime CheckedHostDate(double value) {
  static const TDateTime kFirst = EncodeDate(1, 1, 1);
  static const TDateTime kAfterLast = EncodeDate(9999, 12, 31) + 1;
  if (!std::isfinite(value) || value <= kFirst - 1 || value >= kAfterLast) {
    throw Exception("Invalid date returned by the host");
  }
  return value;
}

}  // namespace zeph
