// The version of this build and the revision it was built from, the same in
// every executable and library of the project.
#pragma once

#include <string>

namespace zeph {

// "1.0.0".
const char* VersionNumber();
// `git describe` of the source tree at configure time, "unknown" outside git.
const char* SourceRevision();
// "<program> (ZephAutomat) 1.0.0 revision <revision>", the line --version prints.
std::string VersionLine(const std::string& program);

}  // namespace zeph
