#include "util/text.h"

#include "util/encoding.h"

namespace zeph {

std::string YesNoText(bool value) {
  return value ? "tak" : "nie";
}

std::string ChooseText(bool value, const std::string& when_true, const std::string& when_false) {
  return value ? when_true : when_false;
}

std::string FormatS(std::string_view format, const std::vector<std::string>& values) {
  std::string out;
  out.reserve(format.size() + 32);
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      if (format[i + 1] == 's') {
        if (next < values.size()) out += values[next];
        ++next;
        ++i;
        continue;
      }
      if (format[i + 1] == '%') {
        out += '%';
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  return out;
}

std::string_view TrimView(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

std::string Trim(std::string_view text) {
  return std::string(TrimView(text));
}

std::string_view Unquote(std::string_view text) {
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
      text.back() == text.front()) {
    text = text.substr(1, text.size() - 2);
  }
  return text;
}

namespace {
unsigned char Upper1250(unsigned char c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  switch (c) {
    case 0x9A:
      return 0x8A;  // š
    case 0x9C:
      return 0x8C;  // ś
    case 0x9D:
      return 0x8D;  // ť
    case 0x9E:
      return 0x8E;  // ž
    case 0x9F:
      return 0x8F;  // ź
    case 0xB3:
      return 0xA3;  // ł
    case 0xB9:
      return 0xA5;  // ą
    case 0xBA:
      return 0xAA;  // ş
    case 0xBE:
      return 0xBC;  // ľ
    case 0xBF:
      return 0xAF;  // ż
    default:
      return c;
  }
}
}  // namespace

std::string UpperCase1250(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(Upper1250(static_cast<unsigned char>(c)));
  return out;
}

std::string Text1250(std::string_view utf8) {
  return Utf8ToAnsi(utf8);
}

}  // namespace zeph
