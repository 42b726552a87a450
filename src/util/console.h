// Console output: program texts go to standard output as Windows-1250 bytes,
// unconverted; a line ends with LF.
#pragma once

#include <string_view>

namespace zeph {

// Writes the text and flushes, without a line end (progress texts).
void ConsoleWrite(std::string_view text);
// Writes the text and a line end, and flushes.
void ConsoleWriteLine(std::string_view text);

}  // namespace zeph
