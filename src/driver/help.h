// The help text printed for "/?".
#pragma once

#include <span>

namespace zeph {

// The lines of the help text in print order, as UTF-8 (printed as
// Windows-1250).
std::span<const char* const> HelpLines();

void PrintHelp();

}  // namespace zeph
