#include "mail/mime_encoding.h"

#include <algorithm>
#include <cstring>

namespace zeph::mail {
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

}  // namespace

void AppendBase64Lines(std::string_view data, std::string& out) {
  size_t line = 0;
  size_t i = 0;
  while (i < data.size()) {
    unsigned char b0 = static_cast<unsigned char>(data[i]);
    size_t left = data.size() - i;
    unsigned char b1 = left > 1 ? static_cast<unsigned char>(data[i + 1]) : 0;
    unsigned char b2 = left > 2 ? static_cast<unsigned char>(data[i + 2]) : 0;
    out += kBase64[b0 >> 2];
    out += kBase64[((b0 & 0x03) << 4) | (b1 >> 4)];
    out += left > 1 ? kBase64[((b1 & 0x0F) << 2) | (b2 >> 6)] : '=';
    out += left > 2 ? kBase64[b2 & 0x3F] : '=';
    i += 3;
    line += 4;
    if (line == 76 || i >= data.size()) {
      out += "\r\n";
      line = 0;
    }
  }
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

}  // namespace zeph::mail
