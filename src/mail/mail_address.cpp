#include "mail/mail_address.h"

#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Removes comments "( ... )" outside quoted strings and unquotes quoted
// strings; used for display names.
std::string PlainPhrase(std::string_view text) {
  std::string out;
  int depth = 0;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size() && (quoted || depth > 0)) {
      if (depth == 0) out += text[i + 1];
      ++i;
    } else if (quoted) {
      if (c == '"') {
        quoted = false;
      } else {
        out += c;
      }
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' && depth > 0) {
      --depth;
    } else if (depth == 0) {
      if (c == '"') {
        quoted = true;
      } else {
        out += c;
      }
    }
  }
  // Runs of blanks become one.
  std::string collapsed;
  for (char c : Trim(out)) {
    if (IsBlank(c) && !collapsed.empty() && collapsed.back() == ' ') continue;
    collapsed += IsBlank(c) ? ' ' : c;
  }
  return collapsed;
}

// Removes comments and surrounding blanks from an address; blanks inside it
// (outside a quoted local part) make it unusable.
bool CleanAddress(std::string_view text, std::string& address) {
  address.clear();
  int depth = 0;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      address += c;
      if (c == '\\' && i + 1 < text.size()) {
        address += text[++i];
      } else if (c == '"') {
        quoted = false;
      }
    } else if (depth > 0) {
      if (c == '\\') {
        ++i;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')') {
        --depth;
      }
    } else if (c == '(') {
      ++depth;
    } else if (c == '"') {
      quoted = true;
      address += c;
    } else {
      address += c;
    }
  }
  address = Trim(address);
  if (address.empty() || quoted) return false;
  quoted = false;
  for (char c : address) {
    if (c == '"') quoted = !quoted;
    unsigned char u = static_cast<unsigned char>(c);
    if (!quoted && (u <= ' ' || c == '<' || c == '>' || c == ',' || c == ';')) return false;
    if (u < ' ' || u == 0x7F) return false;
  }
  size_t at = address.rfind('@');
  return at != std::string::npos && at > 0 && at + 1 < address.size();
}

// Follows quoted strings and comments while a text is scanned byte by byte.
class Scanner {
 public:
  // True when text[i] stands outside quoted strings and comments; false when
  // the scanner took it (an escaped pair moves `i` past its second byte).
  bool Outside(std::string_view text, size_t& i) {
    const char c = text[i];
    if (c == '\\' && (quoted_ || depth_ > 0)) {
      ++i;
    } else if (quoted_) {
      quoted_ = c != '"';
    } else if (depth_ > 0) {
      depth_ += c == '(' ? 1 : c == ')' ? -1 : 0;
    } else if (c == '"') {
      quoted_ = true;
    } else if (c == '(') {
      depth_ = 1;
    } else {
      return true;
    }
    return false;
  }

 private:
  bool quoted_ = false;
  int depth_ = 0;
};

Mailbox ParseMailbox(std::string_view element) {
  Mailbox box;
  size_t open = std::string_view::npos;
  size_t close = std::string_view::npos;
  Scanner scanner;
  for (size_t i = 0; i < element.size(); ++i) {
    if (!scanner.Outside(element, i)) continue;
    const char c = element[i];
    if (c == '<' && open == std::string_view::npos) {
      open = i;
    } else if (c == '>' && open != std::string_view::npos && close == std::string_view::npos) {
      close = i;
    }
  }
  std::string_view addr_spec = element;
  if (open != std::string_view::npos) {
    if (close == std::string_view::npos || !Trim(element.substr(close + 1)).empty()) {
      throw Exception("Invalid e-mail address: \"" + std::string(element) + "\"");
    }
    box.display_name = PlainPhrase(element.substr(0, open));
    addr_spec = element.substr(open + 1, close - open - 1);
    // An obsolete source route ("@a,@b:") ends at the last colon.
    if (!addr_spec.empty() && addr_spec.front() == '@') {
      size_t colon = addr_spec.rfind(':');
      if (colon != std::string_view::npos) addr_spec = addr_spec.substr(colon + 1);
    }
  }
  if (!CleanAddress(addr_spec, box.address)) {
    throw Exception("Invalid e-mail address: \"" + Trim(element) + "\"");
  }
  return box;
}

}  // namespace

std::vector<Mailbox> ParseAddressList(std::string_view text) {
  std::vector<Mailbox> boxes;
  auto take = [&](std::string_view element) {
    if (!Trim(element).empty()) boxes.push_back(ParseMailbox(element));
  };
  size_t start = 0;
  bool angle = false;
  Scanner scanner;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!scanner.Outside(text, i)) continue;
    const char c = text[i];
    if (c == '<') {
      angle = true;
    } else if (c == '>') {
      angle = false;
    } else if (!angle && (c == ',' || c == ';')) {
      take(text.substr(start, i - start));
      start = i + 1;
    } else if (!angle && c == ':') {
      // A group name "Name:" starts a list of its members.
      start = i + 1;
    }
  }
  if (start < text.size()) take(text.substr(start));
  return boxes;
}

}  // namespace zeph
