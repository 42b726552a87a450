// Bytes of a Windows-1250 serwery.ini that are no text: NUL bytes and the
// five bytes Windows-1250 leaves without a character. (What the INI layer
// itself decides on, such as the encoding or Ctrl-Z, it reports itself.)
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeph {

struct LineRemark {
  int line;          // 1-based
  std::string text;  // UTF-8
};

std::vector<LineRemark> ScanWindows1250Bytes(std::string_view bytes);

}  // namespace zeph
