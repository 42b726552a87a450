#include "config/ini_encoding.h"

#include <array>
#include <cstring>

#include "util/encoding.h"

namespace zeph {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

// The Windows-1250 code page both ways; built on the first non-Windows-1250
// file, so a Windows-1250 file never pays for it.
struct CodePage {
  std::array<char16_t, 256> to_wide{};
  std::vector<int16_t> from_wide;  // by code point; -1 where there is no byte

  CodePage() {
    std::string all(256, '\0');
    for (int b = 0; b < 256; ++b) all[b] = static_cast<char>(b);
    std::u16string wide = AnsiToWide(all);
    char16_t top = 0;
    for (int b = 0; b < 256; ++b) {
      to_wide[b] = wide[b];
      if (wide[b] > top) top = wide[b];
    }
    from_wide.assign(static_cast<size_t>(top) + 1, -1);
    for (int b = 0; b < 256; ++b) from_wide[to_wide[b]] = static_cast<int16_t>(b);
  }

  // The byte of `cp`, or -1.
  int Byte(char32_t cp) const { return cp < from_wide.size() ? from_wide[cp] : -1; }
};

const CodePage& Table() {
  static const CodePage table;
  return table;
}

// Length of the valid UTF-8 sequence at `p` (shortest form, no surrogates,
// at most U+10FFFF) and its code point; 0 when there is none.
size_t Utf8Sequence(const unsigned char* p, size_t left, char32_t& cp) {
  unsigned char c = p[0];
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  size_t need;
  unsigned char lo = 0x80;
  unsigned char hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    need = 1;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 2;
    cp = c & 0x0F;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 3;
    cp = c & 0x07;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (left <= need) return 0;
  for (size_t k = 1; k <= need; ++k) {
    unsigned char cc = p[k];
    if (k == 1 ? (cc < lo || cc > hi) : (cc & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (cc & 0x3F);
  }
  return need + 1;
}

// Offset of the first byte at or after `pos` that is not ASCII, or the size.
size_t SkipAscii(std::string_view bytes, size_t pos) {
  const size_t n = bytes.size();
  while (pos + 8 <= n) {
    uint64_t word;
    std::memcpy(&word, bytes.data() + pos, 8);
    if (word & 0x8080808080808080ull) break;
    pos += 8;
  }
  while (pos < n && static_cast<unsigned char>(bytes[pos]) < 0x80) ++pos;
  return pos;
}

// Builds the Windows-1250 text line by line, keeping the original bytes of
// each line that will not convert back to them.
class Decoder {
 public:
  explicit Decoder(std::string_view bytes, size_t begin) : bytes_(bytes), line_begin_(begin) {
    out_.text.reserve(bytes.size());
  }

  void Char(char32_t cp) {
    int b = Table().Byte(cp);
    if (b < 0) {
      out_.text += '?';
      raw_ = lossy_ = true;
    } else {
      out_.text += static_cast<char>(b);
    }
  }
  // A byte that is not of the file's encoding, read as Windows-1250.
  void Foreign(char byte) {
    out_.text += byte;
    raw_ = true;
    if (out_.mixed_line == UINT32_MAX) out_.mixed_line = line_;
  }
  void Lossy() {
    out_.text += '?';
    raw_ = lossy_ = true;
  }
  // The line ends before `end` in the input; its line end `eol` follows.
  void EndLine(size_t end, std::string_view eol, size_t next_begin) {
    Finish(end);
    out_.text += eol;
    ++line_;
    line_begin_ = next_begin;
  }
  DecodedIni Done(size_t end) {
    Finish(end);
    return std::move(out_);
  }

 private:
  void Finish(size_t end) {
    if (raw_) {
      out_.raw.push_back(
          RawLine{line_, lossy_, std::string(bytes_.substr(line_begin_, end - line_begin_))});
    }
    raw_ = lossy_ = false;
  }

  std::string_view bytes_;
  DecodedIni out_;
  uint32_t line_ = 0;
  size_t line_begin_;
  bool raw_ = false;
  bool lossy_ = false;
};

DecodedIni DecodeUtf8(std::string_view bytes, size_t begin) {
  Decoder decoder(bytes, begin);
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t pos = begin;
  while (pos < bytes.size()) {
    unsigned char c = p[pos];
    if (c == '\r' || c == '\n') {
      size_t len = c == '\r' && pos + 1 < bytes.size() && p[pos + 1] == '\n' ? 2 : 1;
      decoder.EndLine(pos, bytes.substr(pos, len), pos + len);
      pos += len;
      continue;
    }
    char32_t cp;
    size_t len = Utf8Sequence(p + pos, bytes.size() - pos, cp);
    if (len == 0) {
      decoder.Foreign(static_cast<char>(c));
      len = 1;
    } else {
      decoder.Char(cp);
    }
    pos += len;
  }
  return decoder.Done(bytes.size());
}

DecodedIni DecodeUtf16(std::string_view bytes, bool big_endian) {
  Decoder decoder(bytes, 2);
  auto unit = [&](size_t pos) {
    auto a = static_cast<unsigned char>(bytes[pos]);
    auto b = static_cast<unsigned char>(bytes[pos + 1]);
    return static_cast<char16_t>(big_endian ? (a << 8 | b) : (b << 8 | a));
  };
  size_t pos = 2;
  while (pos + 1 < bytes.size()) {
    char16_t u = unit(pos);
    if (u == '\r' || u == '\n') {
      size_t len = u == '\r' && pos + 3 < bytes.size() && unit(pos + 2) == '\n' ? 4 : 2;
      decoder.EndLine(pos, len == 4 ? "\r\n" : u == '\r' ? "\r" : "\n", pos + len);
      pos += len;
      continue;
    }
    if (u >= 0xD800 && u <= 0xDBFF && pos + 3 < bytes.size() && unit(pos + 2) >= 0xDC00 &&
        unit(pos + 2) <= 0xDFFF) {
      decoder.Lossy();  // beyond the basic plane: never Windows-1250
      pos += 4;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      decoder.Lossy();
      pos += 2;
    } else {
      decoder.Char(u);
      pos += 2;
    }
  }
  DecodedIni decoded = decoder.Done(bytes.size());
  decoded.half_character = pos < bytes.size();
  return decoded;
}

}  // namespace

const char* IniEncodingName(IniEncoding encoding) {
  switch (encoding) {
    case IniEncoding::kWindows1250:
      return "Windows-1250";
    case IniEncoding::kUtf8:
      return "UTF-8";
    case IniEncoding::kUtf8Bom:
      return "UTF-8 with BOM";
    case IniEncoding::kUtf16Le:
      return "UTF-16LE";
    case IniEncoding::kUtf16Be:
      return "UTF-16BE";
  }
  return "?";
}

std::string_view ByteOrderMark(IniEncoding encoding) {
  switch (encoding) {
    case IniEncoding::kUtf8Bom:
      return kUtf8Bom;
    case IniEncoding::kUtf16Le:
      return kUtf16LeBom;
    case IniEncoding::kUtf16Be:
      return kUtf16BeBom;
    default:
      return "";
  }
}

IniEncoding DetectIniEncoding(std::string_view bytes) {
  if (bytes.substr(0, 2) == kUtf16LeBom) return IniEncoding::kUtf16Le;
  if (bytes.substr(0, 2) == kUtf16BeBom) return IniEncoding::kUtf16Be;
  if (bytes.substr(0, 3) == kUtf8Bom) return IniEncoding::kUtf8Bom;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  bool non_ascii = false;
  for (size_t pos = SkipAscii(bytes, 0); pos < bytes.size(); pos = SkipAscii(bytes, pos)) {
    char32_t cp;
    size_t len = Utf8Sequence(p + pos, bytes.size() - pos, cp);
    if (len == 0) return IniEncoding::kWindows1250;
    non_ascii = true;
    pos += len;
  }
  return non_ascii ? IniEncoding::kUtf8 : IniEncoding::kWindows1250;
}

size_t FindMixedUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  for (size_t pos = SkipAscii(bytes, 0); pos < bytes.size(); pos = SkipAscii(bytes, pos)) {
    char32_t cp;
    size_t len = Utf8Sequence(p + pos, bytes.size() - pos, cp);
    // Only a letter Windows-1250 holds counts: two Windows-1250 letters
    // seldom form one by chance.
    if (len > 1 && Table().Byte(cp) >= 0) return pos;
    pos += len > 0 ? len : 1;
  }
  return std::string_view::npos;
}

DecodedIni DecodeIni(std::string_view bytes, IniEncoding encoding) {
  switch (encoding) {
    case IniEncoding::kUtf16Le:
      return DecodeUtf16(bytes, false);
    case IniEncoding::kUtf16Be:
      return DecodeUtf16(bytes, true);
    case IniEncoding::kUtf8Bom:
      return DecodeUtf8(bytes, kUtf8Bom.size());
    default:
      return DecodeUtf8(bytes, 0);
  }
}

void AppendEncoded(std::string& out, std::string_view text, IniEncoding encoding) {
  const CodePage& table = Table();
  for (char c : text) {
    char16_t wide = table.to_wide[static_cast<unsigned char>(c)];
    switch (encoding) {
      case IniEncoding::kWindows1250:
        out += c;
        break;
      case IniEncoding::kUtf8:
      case IniEncoding::kUtf8Bom:
        AppendUtf8(out, wide);
        break;
      case IniEncoding::kUtf16Le:
        out += static_cast<char>(wide & 0xFF);
        out += static_cast<char>(wide >> 8);
        break;
      case IniEncoding::kUtf16Be:
        out += static_cast<char>(wide >> 8);
        out += static_cast<char>(wide & 0xFF);
        break;
    }
  }
}

}  // namespace zeph
