#include "tools/check/ini_text_scan.h"

#include <cstdio>

#include "util/encoding.h"

namespace zeph {
namespace {

// Length of the valid UTF-8 sequence at `i` (beyond ASCII), or 0.
size_t Utf8SequenceAt(std::string_view s, size_t i) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = byte(i);
  size_t len = c >= 0xC2 && c <= 0xDF   ? 2
               : c >= 0xE0 && c <= 0xEF ? 3
               : c >= 0xF0 && c <= 0xF4 ? 4
                                        : 0;
  if (len == 0 || i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  }
  // Overlong forms, surrogates and code points beyond U+10FFFF.
  if (c == 0xE0 && byte(i + 1) < 0xA0) return 0;
  if (c == 0xED && byte(i + 1) >= 0xA0) return 0;
  if (c == 0xF0 && byte(i + 1) < 0x90) return 0;
  if (c == 0xF4 && byte(i + 1) >= 0x90) return 0;
  return len;
}

bool IniBlank(unsigned char c) {
  return c == ' ' || (c >= 0x09 && c <= 0x0D) || c == 0x1A;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IniBlank(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && IniBlank(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string Hex(unsigned char c) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "0x%02X", c);
  return buffer;
}

// Structure remarks of one line; `utf8` says how to show its text.
void RemarkLine(std::string_view line, int number, bool utf8, IniTextScan& scan) {
  auto show = [&](std::string_view s) { return utf8 ? std::string(s) : AnsiToUtf8(s); };
  if (line.find('\x1A') != std::string_view::npos) {
    scan.remarks.push_back({number,
                            "a Ctrl-Z byte (0x1A) next to the text; editors of old leave "
                            "it behind; remove it"});
  }
  if (line.find('\0') != std::string_view::npos) {
    scan.remarks.push_back({number, "a NUL byte; the line is no text"});
  }
  std::string_view trimmed = TrimBlanks(line);
  if (!trimmed.empty() && trimmed.front() == '[') {
    size_t close = trimmed.rfind(']');
    if (close == std::string_view::npos) {
      scan.remarks.push_back(
          {number, "section header \"" + show(trimmed) + "\" has no closing \"]\""});
    } else if (TrimBlanks(trimmed.substr(1, close - 1)).empty()) {
      scan.remarks.push_back({number, "section header \"" + show(trimmed.substr(0, close + 1)) +
                                          "\" has an empty name; it and its keys are no entry"});
    }
  }
  if (!utf8) {
    for (unsigned char c : line) {
      // The five bytes that Windows-1250 leaves without a character.
      if (c == 0x81 || c == 0x83 || c == 0x88 || c == 0x90 || c == 0x98) {
        scan.remarks.push_back({number, "byte " + Hex(c) + " has no character in Windows-1250"});
        break;
      }
    }
  }
}

// Classifies the non-ASCII bytes of each 8-bit line.
void ClassifyLines(const std::vector<std::string_view>& lines, IniTextScan& scan) {
  for (size_t n = 0; n < lines.size(); ++n) {
    std::string_view line = lines[n];
    bool utf8 = false;
    bool other = false;
    for (size_t i = 0; i < line.size();) {
      if (static_cast<unsigned char>(line[i]) < 0x80) {
        ++i;
        continue;
      }
      size_t len = Utf8SequenceAt(line, i);
      if (len > 0) {
        utf8 = true;
        i += len;
      } else {
        other = true;
        ++i;
      }
    }
    if (utf8) scan.utf8_lines.push_back(static_cast<int>(n + 1));
    if (other) scan.other_lines.push_back(static_cast<int>(n + 1));
  }
}

std::string Utf16ToUtf8(std::string_view bytes, bool big_endian) {
  std::u16string wide;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    unsigned char a = static_cast<unsigned char>(bytes[i]);
    unsigned char b = static_cast<unsigned char>(bytes[i + 1]);
    wide.push_back(static_cast<char16_t>(big_endian ? (a << 8) | b : (b << 8) | a));
  }
  return WideToUtf8(wide);
}

}  // namespace

const char* EncodingName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kWindows1250:
      return "Windows-1250";
    case TextEncoding::kUtf8:
      return "UTF-8 without a byte-order mark";
    case TextEncoding::kUtf8Bom:
      return "UTF-8 with a byte-order mark";
    case TextEncoding::kUtf16Le:
      return "UTF-16 little-endian";
    case TextEncoding::kUtf16Be:
      return "UTF-16 big-endian";
  }
  return "?";
}

IniTextScan ScanIniText(std::string_view bytes) {
  IniTextScan scan;
  if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
    bool big_endian = bytes[0] == '\xFE';
    scan.encoding = big_endian ? TextEncoding::kUtf16Be : TextEncoding::kUtf16Le;
    std::string text = Utf16ToUtf8(bytes.substr(2), big_endian);
    std::vector<std::string_view> lines = SplitLines(text);
    for (size_t n = 0; n < lines.size(); ++n) {
      RemarkLine(lines[n], static_cast<int>(n + 1), true, scan);
    }
    return scan;
  }
  bool bom = bytes.substr(0, 3) == "\xEF\xBB\xBF";
  std::vector<std::string_view> lines = SplitLines(bom ? bytes.substr(3) : bytes);
  ClassifyLines(lines, scan);
  if (bom) {
    scan.encoding = TextEncoding::kUtf8Bom;
  } else if (!scan.utf8_lines.empty() && scan.other_lines.empty()) {
    scan.encoding = TextEncoding::kUtf8;
  }
  bool utf8 = scan.encoding != TextEncoding::kWindows1250;
  for (size_t n = 0; n < lines.size(); ++n) {
    RemarkLine(lines[n], static_cast<int>(n + 1), utf8, scan);
  }
  return scan;
}

}  // namespace zeph
