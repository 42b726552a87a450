// Transfer and header encodings of MIME: Base64 (RFC 2045), quoted-printable
// (RFC 2045), "Q" encoded words (RFC 2047) and RFC 2231 parameter values.
// All texts are UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeph {

// Input bytes per Base64 line: 57 bytes give the 76 characters RFC 2045 allows.
inline constexpr size_t kBase64LineInput = 57;

// Appends the Base64 of `data` to `out`, a CR LF after every 76 characters
// and after the last (partial) line.
void AppendBase64Lines(std::string_view data, std::string& out);

// Quoted-printable body: CR LF line ends stay hard breaks, other lines are
// cut by soft breaks so that no encoded line is longer than 76 characters.
std::string QuotedPrintable(std::string_view text);

bool IsAscii(std::string_view text);

// "=?UTF-8?Q?...?=" words for `text`, each at most 75 characters, split only
// between characters. Only letters, digits and "!*+-/" stay literal, so the
// words are valid in a phrase as well as in unstructured text.
std::vector<std::string> QEncodedWords(std::string_view text);

// RFC 2231 value text: attribute characters stay, every other byte is %XX.
std::string PercentEncode(std::string_view text);

}  // namespace zeph
