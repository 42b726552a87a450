// Conversions between the program's Windows-1250 texts and the UTF-16 of
// the host interfaces and the UTF-8 of mail and the simulator's files.
#pragma once

#include <string>
#include <string_view>

namespace zeph {

std::u16string AnsiToWide(std::string_view ansi);
// Characters without a Windows-1250 form become '?'.
std::string WideToAnsi(std::u16string_view wide);

std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);

// Malformed input becomes U+FFFD; never throws.
std::u16string Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::u16string_view wide);

// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace zeph
