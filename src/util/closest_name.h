// The known name a mistyped one was probably meant as.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeph {

// The name among `known` within two edits of `name`, the nearest first;
// empty when none is. An edit inserts, deletes or replaces a letter, or
// swaps two neighbouring ones (the common typing slip); letters are compared
// without regard to case (Windows-1250).
std::string ClosestName(std::string_view name, const std::vector<std::string>& known);

}  // namespace zeph
