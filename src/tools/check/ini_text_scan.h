// A look at the bytes of serwery.ini before it is read: which encoding the
// INI layer will take it for, lines that mix encodings, and lines that
// editors produce and people rarely mean (Ctrl-Z, "[]", a header without
// its "]").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeph {

enum class TextEncoding { kWindows1250, kUtf8, kUtf8Bom, kUtf16Le, kUtf16Be };

// "Windows-1250", "UTF-8 without a byte-order mark", ...
const char* EncodingName(TextEncoding encoding);

struct LineRemark {
  int line;          // 1-based
  std::string text;  // UTF-8
};

struct IniTextScan {
  TextEncoding encoding = TextEncoding::kWindows1250;
  // 8-bit files: lines holding valid UTF-8 sequences beyond ASCII, and lines
  // holding bytes beyond ASCII that are no UTF-8. Both kinds in one file
  // mean it mixes encodings.
  std::vector<int> utf8_lines;
  std::vector<int> other_lines;
  std::vector<LineRemark> remarks;
};

IniTextScan ScanIniText(std::string_view bytes);

}  // namespace zeph
