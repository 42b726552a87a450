// Text helpers of the host simulator: UTF-8/UTF-16 conversion, case folding
// for its case-insensitive names, trimming and the escapes of its files.
// The conversions are the program's own routines, compiled into the
// simulator; nothing else of the program is.
#pragma once

#include <string>
#include <string_view>

#include "util/encoding.h"

namespace sim {

// Lone surrogates and malformed bytes become U+FFFD.
inline std::string ToUtf8(std::u16string_view wide) {
  return zeph::WideToUtf8(wide);
}
inline std::u16string ToWide(std::string_view utf8) {
  return zeph::Utf8ToWide(utf8);
}

// Lower case for name comparison: ASCII, Latin-1 and Latin Extended-A
// (Polish letters included).
std::string Fold(std::string_view utf8);

// `\r`, `\n`, `\t` and `\\` stand for CR, LF, TAB and a backslash; any other
// backslash is kept as it is.
std::string Unescape(std::string_view text);

// The journal's form of a text: backslash, CR, LF and TAB escaped, and the
// double quote too when `quoted` (the text is then put between quotes).
std::string Escape(std::string_view utf8, bool quoted);

}  // namespace sim
