// Splitting a text into lines the way the host's multi-line results are read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeph {

// Lines separated by CR, LF or CR LF; a line end at the very end does not
// start another line, and an empty text has no lines.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace zeph
