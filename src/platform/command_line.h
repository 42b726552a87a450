// A Windows command line is one string that the started program's C runtime
// splits into arguments; these are the rules it splits by, for whoever
// writes one (the run wrapper starting the program, a scheduled task's
// arguments).
#pragma once

#include <string>
#include <vector>

namespace zeph::platform {

// `argument` as it must stand in a command line to come out whole: as it
// is when it has no blank, tab or quote, otherwise in quotes, with the
// backslashes before a quote (and before the closing one) doubled.
std::string QuotedArgument(const std::string& argument);

// The arguments quoted and joined by blanks.
std::string CommandLine(const std::vector<std::string>& arguments);

}  // namespace zeph::platform
