#include "util/encoding.h"

#include <iconv.h>

#include <array>
#include <unordered_map>

namespace zeph {
namespace {

// The Windows-1250 table is read once from iconv; bytes the code page leaves
// undefined map to the code point of the same number, as the platform does.
struct Cp1250Table {
  std::array<char16_t, 256> to_wide{};
  std::unordered_map<char16_t, char> from_wide;

  Cp1250Table() {
    iconv_t cd = iconv_open("UTF-16LE", "CP1250");
    for (int b = 0; b < 256; ++b) {
      char16_t wide = static_cast<char16_t>(b);
      if (b >= 0x80 && cd != reinterpret_cast<iconv_t>(-1)) {
        char in = static_cast<char>(b);
        unsigned char out[4] = {};
        char* inp = &in;
        char* outp = reinterpret_cast<char*>(out);
        size_t inleft = 1;
        size_t outleft = sizeof(out);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inp, &inleft, &outp, &outleft) != static_cast<size_t>(-1) && outleft == 2) {
          wide = static_cast<char16_t>(out[0] | (out[1] << 8));
        }
      }
      to_wide[b] = wide;
      from_wide.emplace(wide, static_cast<char>(b));
    }
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }
};

const Cp1250Table& Table() {
  static const Cp1250Table table;
  return table;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::u16string AnsiToWide(std::string_view ansi) {
  const auto& table = Table();
  std::u16string out;
  out.reserve(ansi.size());
  for (char c : ansi) out += table.to_wide[static_cast<unsigned char>(c)];
  return out;
}

std::string WideToAnsi(std::u16string_view wide) {
  const auto& table = Table();
  std::string out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    char16_t c = wide[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      ++i;  // one character outside the BMP, one '?'
      out += '?';
      continue;
    }
    auto it = table.from_wide.find(c);
    out += it == table.from_wide.end() ? '?' : it->second;
  }
  return out;
}

std::string AnsiToUtf8(std::string_view ansi) {
  return WideToUtf8(AnsiToWide(ansi));
}

std::string Utf8ToAnsi(std::string_view utf8) {
  return WideToAnsi(Utf8ToWide(utf8));
}

std::u16string Utf8ToWide(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t i = 0;
  const size_t n = utf8.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    char32_t cp = 0xFFFD;
    size_t len = 1;
    size_t need = 0;
    char32_t min = 0;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      need = 1, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      need = 2, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      need = 3, cp = c & 0x07, min = 0x10000;
    }
    if (need > 0) {
      bool ok = i + need < n;
      for (size_t k = 1; ok && k <= need; ++k) {
        unsigned char cc = static_cast<unsigned char>(utf8[i + k]);
        if ((cc & 0xC0) != 0x80) {
          ok = false;
        } else {
          cp = (cp << 6) | (cc & 0x3F);
        }
      }
      if (ok && cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF)) {
        len = need + 1;
      } else {
        cp = 0xFFFD;
      }
    } else if (c >= 0x80) {
      cp = 0xFFFD;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += len;
  }
  return out;
}

std::string WideToUtf8(std::u16string_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    char32_t cp = wide[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

}  // namespace zeph
