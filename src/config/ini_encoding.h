// The encodings an INI file may be saved in. The INI layer works on
// Windows-1250 text; a UTF-8 or UTF-16 file is converted on reading and
// converted back, byte-order mark as found, on writing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zeph {

enum class IniEncoding : uint8_t {
  kWindows1250,
  kUtf8,     // valid UTF-8 with non-ASCII text, no byte-order mark
  kUtf8Bom,  // starts with EF BB BF
  kUtf16Le,  // starts with FF FE
  kUtf16Be,  // starts with FE FF
};

// "Windows-1250", "UTF-8", "UTF-8 with BOM", "UTF-16LE", "UTF-16BE".
const char* IniEncodingName(IniEncoding encoding);

// The byte-order mark a file of `encoding` starts with ("" for none).
std::string_view ByteOrderMark(IniEncoding encoding);

// A file is Windows-1250 unless it starts with a UTF-16 or UTF-8 byte-order
// mark or is valid UTF-8 holding at least one non-ASCII sequence.
IniEncoding DetectIniEncoding(std::string_view bytes);

// For a Windows-1250 file: the offset of the first valid UTF-8 multi-byte
// sequence when the file also holds bytes that are not UTF-8 (a file edited
// in two encodings), or npos.
size_t FindMixedUtf8(std::string_view bytes);

// A line whose Windows-1250 text does not give its bytes back.
struct RawLine {
  uint32_t line = 0;   // 0-based, lines split at CR, LF or CR LF
  bool lossy = false;  // holds a character Windows-1250 cannot hold ('?' in the text)
  std::string bytes;   // the line as found, without its line end
};

struct DecodedIni {
  std::string text;          // Windows-1250, the same lines and line ends
  std::vector<RawLine> raw;  // in line order
  // First line holding bytes that are not of the file's own encoding (read
  // as Windows-1250), or UINT32_MAX.
  uint32_t mixed_line = UINT32_MAX;
  // A UTF-16 file of an odd number of bytes: its last byte is no character,
  // and no line can follow it without shifting every character after it.
  bool half_character = false;
};

// Converts a file of a non-Windows-1250 `encoding` (mark included) to
// Windows-1250. Never fails: what does not convert is kept in `raw`.
DecodedIni DecodeIni(std::string_view bytes, IniEncoding encoding);

// Appends Windows-1250 `text` converted to `encoding` (no mark).
void AppendEncoded(std::string& out, std::string_view text, IniEncoding encoding);

}  // namespace zeph
