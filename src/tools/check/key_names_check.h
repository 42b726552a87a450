// Keys and sections of serwery.ini that the program never reads as the
// operator meant: unknown (misspelt) keys, a key or section repeated lower
// down (the first of a name is the one read), keys above the first section.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/ini_file.h"
#include "tools/check/findings.h"

namespace zeph {

// Warns, with the file's line numbers, about every such key and section.
void CheckKeyNames(const IniFile& ini, Findings& findings);

}  // namespace zeph
