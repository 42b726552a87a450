#include "mail/mime_header.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mail/mime_encoding.h"
#include "platform/local_time.h"

namespace zeph {
namespace {

constexpr size_t kFoldAt = 78;
// A plain word this long could not be folded under the 998-byte limit.
constexpr size_t kLongestPlainWord = 900;
// Characters of a filename parameter chunk.
constexpr size_t kParamChunk = 60;

bool IsWhite(char c) {
  return c == ' ' || c == '\t';
}

// A display name as a phrase: atoms as they are, otherwise a quoted string,
// or encoded words when it holds non-ASCII characters.
std::vector<std::string> PhrasePieces(std::string_view name) {
  if (!IsAscii(name) || name.size() > kLongestPlainWord) return QEncodedWords(name);
  bool atoms = true;
  for (char c : name) {
    if (std::strchr("()<>[]:;@\\,.\"", c) != nullptr) atoms = false;
  }
  if (atoms) return {std::string(name)};
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return {quoted + "\""};
}

}  // namespace

std::string CleanHeaderText(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    unsigned char u = static_cast<unsigned char>(c);
    if ((u < ' ' && c != '\t') || u == 0x7F) c = ' ';
  }
  return out;
}

std::string FoldField(std::string_view name, const std::vector<std::string>& pieces) {
  std::string out(name);
  out += ':';
  size_t line = out.size();
  for (size_t i = 0; i < pieces.size(); ++i) {
    std::string piece = pieces[i];
    if (i == 0 && (piece.empty() || !IsWhite(piece.front()))) piece.insert(0, " ");
    if (i > 0 && line + piece.size() > kFoldAt) {
      out += "\r\n";
      line = 0;
    }
    out += piece;
    line += piece.size();
  }
  out += "\r\n";
  return out;
}

std::string SubjectField(std::string_view subject) {
  std::string text = CleanHeaderText(subject);
  // Words with the whitespace before them.
  struct Word {
    std::string space;
    std::string text;
    bool encode;
  };
  std::vector<Word> words;
  size_t i = 0;
  while (i < text.size()) {
    size_t begin = i;
    while (i < text.size() && IsWhite(text[i])) ++i;
    size_t word = i;
    while (i < text.size() && !IsWhite(text[i])) ++i;
    std::string_view w = std::string_view(text).substr(word, i - word);
    words.push_back({text.substr(begin, word - begin), std::string(w),
                     !IsAscii(w) || w.size() > kLongestPlainWord});
  }
  std::vector<std::string> pieces;
  for (size_t k = 0; k < words.size();) {
    if (!words[k].encode) {
      pieces.push_back(words[k].space + words[k].text);
      ++k;
      continue;
    }
    // Neighbouring encoded words share one run: whitespace between encoded
    // words is dropped by readers, so it has to be encoded itself.
    std::string run = words[k].text;
    std::string space = words[k].space;
    size_t next = k + 1;
    while (next < words.size() && words[next].encode) {
      run += words[next].space + words[next].text;
      ++next;
    }
    bool first = true;
    for (std::string& encoded : QEncodedWords(run)) {
      pieces.push_back((first ? space : std::string(" ")) + encoded);
      first = false;
    }
    k = next;
  }
  return FoldField("Subject", pieces);
}

std::string MailboxField(std::string_view name, const std::vector<Mailbox>& boxes) {
  std::vector<std::string> pieces;
  for (size_t i = 0; i < boxes.size(); ++i) {
    std::string display = CleanHeaderText(boxes[i].display_name);
    std::string address = "<" + CleanHeaderText(boxes[i].address) + ">";
    if (display.find_first_not_of(" \t") != std::string::npos) {
      for (std::string& piece : PhrasePieces(display)) pieces.push_back(" " + piece);
    } else if (boxes.size() == 1) {
      address = address.substr(1, address.size() - 2);
    }
    pieces.push_back(" " + address);
    if (i + 1 < boxes.size()) pieces.back() += ',';
  }
  return FoldField(name, pieces);
}

std::string DateText(std::time_t when) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  platform::CalendarTime tm;
  platform::LocalCalendarTime(when, tm);
  long offset = tm.utc_offset_s / 60;
  char sign = offset < 0 ? '-' : '+';
  offset = std::labs(offset);
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                kDays[tm.weekday % 7], tm.day, kMonths[(tm.month + 11) % 12], tm.year, tm.hour,
                tm.minute, tm.second, sign, offset / 60, offset % 60);
  return buffer;
}

std::string AttachmentFields(std::string_view file_name) {
  bool plain = IsAscii(file_name) && file_name.size() <= kParamChunk;
  std::string out = "Content-Type: application/octet-stream";
  std::string disposition = "Content-Disposition: attachment;\r\n";
  if (plain) {
    std::string quoted = "\"";
    for (char c : file_name) {
      if (c == '"' || c == '\\') quoted += '\\';
      quoted += c;
    }
    quoted += '"';
    out += "; name=" + quoted + "\r\n";
    disposition += " filename=" + quoted + "\r\n";
  } else {
    out += "\r\n";
    // RFC 2231 continuations keep each line short; a chunk never splits a %XX.
    std::string value = "UTF-8''" + PercentEncode(file_name);
    size_t part = 0;
    size_t pos = 0;
    while (pos < value.size()) {
      size_t end = std::min(pos + kParamChunk, value.size());
      while (end < value.size() && end > pos + 2 &&
             (value[end - 1] == '%' || value[end - 2] == '%')) {
        --end;
      }
      disposition += " filename*" + std::to_string(part) + "*=" + value.substr(pos, end - pos);
      disposition += end < value.size() ? ";\r\n" : "\r\n";
      pos = end;
      ++part;
    }
  }
  return out + "Content-Transfer-Encoding: base64\r\n" + disposition;
}

}  // namespace zeph
