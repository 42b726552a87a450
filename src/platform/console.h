// The program's console output. Texts are Windows-1250 bytes with LF line
// ends. Redirected to a file or a pipe, the bytes pass unchanged on every
// system; on a Windows console the code page is set to 1250 and each LF is
// shown as CR LF.
#pragma once

#include <string_view>

namespace zeph::platform {

// Writes `bytes` to standard output and flushes.
void WriteConsoleBytes(std::string_view bytes);

}  // namespace zeph::platform
