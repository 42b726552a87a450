#include "tools/check/ini_text_scan.h"

#include <cstdio>

namespace zeph {
namespace {

std::string Hex(unsigned char c) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "0x%02X", c);
  return buffer;
}

}  // namespace

std::vector<LineRemark> ScanWindows1250Bytes(std::string_view bytes) {
  std::vector<LineRemark> remarks;
  int line = 1;
  bool nul_reported = false;
  bool byte_reported = false;
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      ++line;
      nul_reported = byte_reported = false;
    } else if (c == 0 && !nul_reported) {
      remarks.push_back({line, "a NUL byte; the line is no text"});
      nul_reported = true;
    } else if ((c == 0x81 || c == 0x83 || c == 0x88 || c == 0x90 || c == 0x98) && !byte_reported) {
      remarks.push_back({line, "byte " + Hex(c) + " has no character in Windows-1250"});
      byte_reported = true;
    }
  }
  return remarks;
}

}  // namespace zeph
