// What the operators' tools advise an operator to do, in the means of the
// system they run on: a POSIX system's commands and manual pages, or
// Windows' own programs and the README-Windows.txt of the Windows package.
#pragma once

#include <string>

namespace zeph::platform {

// How to convert serwery.ini from UTF-8 (or UTF-16, when `utf16`) into
// Windows-1250, the program's own encoding.
std::string ServerListConversionAdvice(bool utf16);

// Where an operator finds the program's switches, for an error text.
const char* SwitchReference();

}  // namespace zeph::platform
