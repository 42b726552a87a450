// Writing JSON texts.
#pragma once

#include <string>
#include <string_view>

namespace zeph {

// `utf8` as a JSON string, quotes included: '"', '\\' and control
// characters escaped, everything else as it is.
std::string JsonQuoted(std::string_view utf8);

}  // namespace zeph
