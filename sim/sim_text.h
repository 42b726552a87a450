// Text helpers of the host simulator: UTF-8/UTF-16 conversion, case folding
// for its case-insensitive names, trimming and the escapes of its files.
// The simulator links nothing of the program, so these are its own.
#pragma once

#include <string>
#include <string_view>

namespace sim {

std::string ToUtf8(std::u16string_view wide);  // lone surrogates become U+FFFD
std::u16string ToWide(std::string_view utf8);  // malformed bytes become U+FFFD

// Lower case for name comparison: ASCII, Latin-1 and Latin Extended-A
// (Polish letters included).
std::string Fold(std::string_view utf8);

// Removes bytes up to 0x20 at both ends.
std::string_view Trim(std::string_view text);

// `\r`, `\n`, `\t` and `\\` stand for CR, LF, TAB and a backslash; any other
// backslash is kept as it is.
std::string Unescape(std::string_view text);

// The journal's form of a text: backslash, CR, LF and TAB escaped, and the
// double quote too when `quoted` (the text is then put between quotes).
std::string Escape(std::string_view utf8, bool quoted);

}  // namespace sim
