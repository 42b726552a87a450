#include "sim_text.h"

#include "util/encoding.h"

namespace sim {
namespace {

char32_t FoldCodePoint(char32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 32;
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 32;
  if (cp >= 0x100 && cp <= 0x137) return cp | 1;
  if (cp >= 0x139 && cp <= 0x148) return (cp & 1) ? cp + 1 : cp;
  if (cp >= 0x14A && cp <= 0x177) return cp | 1;
  if (cp == 0x178) return 0xFF;
  if (cp >= 0x179 && cp <= 0x17E) return (cp & 1) ? cp + 1 : cp;
  return cp;
}

}  // namespace

std::string Fold(std::string_view utf8) {
  std::u16string wide = zeph::Utf8ToWide(utf8);
  for (char16_t& c : wide) c = static_cast<char16_t>(FoldCodePoint(c));
  return zeph::WideToUtf8(wide);
}

std::string Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      char next = text[i + 1];
      char plain = next == 'r'    ? '\r'
                   : next == 'n'  ? '\n'
                   : next == 't'  ? '\t'
                   : next == '\\' ? '\\'
                                  : '\0';
      if (plain != '\0') {
        out += plain;
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string Escape(std::string_view utf8, bool quoted) {
  std::string out;
  out.reserve(utf8.size() + 2);
  if (quoted) out += '"';
  for (char c : utf8) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '"':
        out += quoted ? "\\\"" : "\"";
        break;
      default:
        out += c;
    }
  }
  if (quoted) out += '"';
  return out;
}

}  // namespace sim
