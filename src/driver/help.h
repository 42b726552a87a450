// The help text printed for "/?".
#pragma once

namespace zeph {

void PrintHelp();

}  // namespace zeph
