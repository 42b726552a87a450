#include "platform/tool_advice.h"

namespace zeph::platform {

// Notepad's "ANSI" and Windows PowerShell's "Default" are the system's ANSI
// code page, Windows-1250 on the Polish systems the program serves;
// PowerShell 7 took "Default" to mean UTF-8, so it is given the code page.
// Get-Content finds UTF-16 by its byte-order mark, which such a file has
// (without one it is not taken for UTF-16), but not UTF-8 without one.
std::string ServerListConversionAdvice(bool utf16) {
  return std::string(
             "open it in Notepad and save it with the encoding ANSI (Windows-1250 on a Polish "
             "system), or in PowerShell: Get-Content ") +
         (utf16 ? "" : "-Encoding UTF8 ") +
         "serwery.ini | Set-Content -Encoding Default serwery.ini.new (PowerShell 7: "
         "-Encoding 1250), then Move-Item -Force serwery.ini.new serwery.ini";
}

const char* SwitchReference() {
  return "README-Windows.txt, section \"Switches and enable keys\"";
}

}  // namespace zeph::platform
