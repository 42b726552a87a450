// Small text routines shared by the whole program. Program texts are
// Windows-1250 bytes held in std::string.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeph {

// "tak" for true, "nie" for false.
std::string YesNoText(bool value);

// `when_true` for true, `when_false` for false.
std::string ChooseText(bool value, const std::string& when_true, const std::string& when_false);

// Replaces each "%s" of `format` by the next value ("%%" gives "%"). Missing
// values leave an empty text; surplus values are ignored.
std::string FormatS(std::string_view format, const std::vector<std::string>& values);

// Removes blanks and control characters (bytes up to 0x20) at both ends.
std::string Trim(std::string_view text);
// The same as a view into `text`.
std::string_view TrimView(std::string_view text);

// Removes one pair of enclosing quotes, '"' or '\'', when both ends carry the
// same one.
std::string_view Unquote(std::string_view text);

// Upper-cases a Windows-1250 text, Polish letters included.
std::string UpperCase1250(std::string_view text);

// Windows-1250 bytes of a UTF-8 literal, for the program's fixed texts.
std::string Text1250(std::string_view utf8);

}  // namespace zeph
