#include "mail/mime_encoding.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zeph {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kQpLine = 76;
// "=?UTF-8?Q?" and "?=" around the payload of a 75-character encoded word.
constexpr std::string_view kQPrefix = "=?UTF-8?Q?";
constexpr size_t kQPayload = 75 - kQPrefix.size() - 2;

void AppendHex(unsigned char c, std::string& out) {
  out += '=';
  out += kHex[c >> 4];
  out += kHex[c & 0x0F];
}

bool QLiteral(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::strchr("!*+-/", c) != nullptr;
}

// Length of the UTF-8 sequence starting with `lead` (1 for stray bytes).
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// The two characters of every 12 bits: half the lookups of one a character.
struct Base64Pairs {
  char pair[4096][2];
  constexpr Base64Pairs() : pair() {
    for (int i = 0; i < 4096; ++i) {
      pair[i][0] = kBase64[i >> 6];
      pair[i][1] = kBase64[i & 0x3F];
    }
  }
};
constexpr Base64Pairs kBase64Pairs;

// Three input bytes as four Base64 characters.
inline void EncodeGroup(const unsigned char* src, char* dst) {
  const uint32_t bits = (uint32_t{src[0]} << 16) | (uint32_t{src[1]} << 8) | src[2];
  std::memcpy(dst, kBase64Pairs.pair[bits >> 12], 2);
  std::memcpy(dst + 2, kBase64Pairs.pair[bits & 0xFFF], 2);
}

// Six input bytes as eight Base64 characters, from one eight-byte read:
// `src` must have two more bytes after the six.
inline void EncodeSix(const unsigned char* src, char* dst) {
  uint64_t word;
  std::memcpy(&word, src, 8);
  const uint64_t bits = __builtin_bswap64(word) >> 16;  // the six bytes, first one highest
  uint16_t p[4];
  std::memcpy(&p[0], kBase64Pairs.pair[(bits >> 36) & 0xFFF], 2);
  std::memcpy(&p[1], kBase64Pairs.pair[(bits >> 24) & 0xFFF], 2);
  std::memcpy(&p[2], kBase64Pairs.pair[(bits >> 12) & 0xFFF], 2);
  std::memcpy(&p[3], kBase64Pairs.pair[bits & 0xFFF], 2);
  std::memcpy(dst, p, 8);
}

}  // namespace

void AppendBase64Lines(std::string_view data, std::string& out) {
  if (data.empty()) return;
  const size_t full_lines = data.size() / kBase64LineInput;
  const size_t tail = data.size() % kBase64LineInput;
  const size_t size = full_lines * 78 + (tail == 0 ? 0 : (tail + 2) / 3 * 4 + 2);
  const size_t start = out.size();
  out.resize(start + size);
  // Written through a pointer: this loop carries every attachment byte.
  char* dst = out.data() + start;
  const auto* src = reinterpret_cast<const unsigned char*>(data.data());
  const unsigned char* end = src + data.size();
  while (end - src >= static_cast<std::ptrdiff_t>(kBase64LineInput)) {
    // Nine times six bytes, each read with the two after it (all in the
    // line), then the last three.
    static_assert(kBase64LineInput == 9 * 6 + 3);
    for (size_t six = 0; six < kBase64LineInput / 6; ++six) {
      EncodeSix(src, dst);
      src += 6;
      dst += 8;
    }
    EncodeGroup(src, dst);
    src += 3;
    dst += 4;
    *dst++ = '\r';
    *dst++ = '\n';
  }
  if (src == end) return;
  while (end - src >= 3) {
    EncodeGroup(src, dst);
    src += 3;
    dst += 4;
  }
  if (end - src == 1) {
    dst[0] = kBase64[src[0] >> 2];
    dst[1] = kBase64[(src[0] & 0x03) << 4];
    dst[2] = '=';
    dst[3] = '=';
    dst += 4;
  } else if (end - src == 2) {
    dst[0] = kBase64[src[0] >> 2];
    dst[1] = kBase64[((src[0] & 0x03) << 4) | (src[1] >> 4)];
    dst[2] = kBase64[(src[1] & 0x0F) << 2];
    dst[3] = '=';
    dst += 4;
  }
  *dst++ = '\r';
  *dst++ = '\n';
}

std::string QuotedPrintable(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  size_t line = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += "\r\n";
      ++i;
      line = 0;
      continue;
    }
    bool at_line_end = i + 1 == text.size() || text[i + 1] == '\r';
    bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !at_line_end);
    size_t width = literal ? 1 : 3;
    // Keep room for the "=" of a soft break.
    if (line + width > kQpLine - 1) {
      out += "=\r\n";
      line = 0;
    }
    if (literal) {
      out += static_cast<char>(c);
    } else {
      AppendHex(c, out);
    }
    line += width;
  }
  return out;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

std::vector<std::string> QEncodedWords(std::string_view text) {
  std::vector<std::string> words;
  std::string payload;
  size_t i = 0;
  while (i < text.size()) {
    size_t n = std::min(SequenceLength(static_cast<unsigned char>(text[i])), text.size() - i);
    std::string piece;
    for (size_t k = 0; k < n; ++k) {
      unsigned char c = static_cast<unsigned char>(text[i + k]);
      if (c == ' ') {
        piece += '_';
      } else if (QLiteral(c)) {
        piece += static_cast<char>(c);
      } else {
        AppendHex(c, piece);
      }
    }
    if (!payload.empty() && payload.size() + piece.size() > kQPayload) {
      words.push_back(std::string(kQPrefix) + payload + "?=");
      payload.clear();
    }
    payload += piece;
    i += n;
  }
  if (!payload.empty() || words.empty()) words.push_back(std::string(kQPrefix) + payload + "?=");
  return words;
}

std::string PercentEncode(std::string_view text) {
  std::string out;
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    bool attr = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                std::strchr("!#$&+-.^_`|~", c) != nullptr;
    if (attr && c != 0) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
  return out;
}

}  // namespace zeph
