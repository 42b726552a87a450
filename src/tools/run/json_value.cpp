#include "tools/run/json_value.h"

#include <cstdlib>
#include <stdexcept>

#include "util/encoding.h"
#include "util/json_text.h"

namespace zeph {
namespace {

// Nesting beyond this is no run record; refusing it keeps the recursion
// bounded.
constexpr int kMaxDepth = 32;

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  JsonValue Document() {
    JsonValue value = Value(0);
    SkipBlanks();
    if (pos_ != text_.size()) Fail("text after the document");
    return value;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("malformed JSON at byte " + std::to_string(pos_) + ": " + what);
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\n' || text_[pos_] == '\r')) {
      ++pos_;
    }
  }

  bool Take(char c) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  void Expect(char c) {
    if (!Take(c)) Fail(std::string("expected '") + c + "'");
  }

  bool Word(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  JsonValue Value(int depth) {
    if (depth > kMaxDepth) Fail("nested too deeply");
    SkipBlanks();
    if (pos_ >= text_.size()) Fail("unexpected end");
    JsonValue value;
    const char c = text_[pos_];
    if (c == '{') {
      ++pos_;
      value.kind = JsonValue::Kind::Object;
      if (Take('}')) return value;
      do {
        SkipBlanks();
        std::string key = String();
        Expect(':');
        value.keys.push_back(std::move(key));
        value.items.push_back(Value(depth + 1));
      } while (Take(','));
      Expect('}');
    } else if (c == '[') {
      ++pos_;
      value.kind = JsonValue::Kind::Array;
      if (Take(']')) return value;
      do {
        value.items.push_back(Value(depth + 1));
      } while (Take(','));
      Expect(']');
    } else if (c == '"') {
      value.kind = JsonValue::Kind::String;
      value.text = String();
    } else if (Word("true") || Word("false")) {
      value.kind = JsonValue::Kind::Bool;
      value.boolean = c == 't';
    } else if (Word("null")) {
      value.kind = JsonValue::Kind::Null;
    } else {
      value.kind = JsonValue::Kind::Number;
      const size_t start = pos_;
      value.number = Number();
      value.text = text_.substr(start, pos_ - start);
    }
    return value;
  }

  double Number() {
    const size_t start = pos_;
    if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
    const size_t digits = pos_;
    while (pos_ < text_.size() &&
           std::string_view("0123456789.eE+-").find(text_[pos_]) != std::string_view::npos) {
      ++pos_;
    }
    if (pos_ == digits) Fail("expected a value");
    const std::string number(text_.substr(start, pos_ - start));
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size()) Fail("malformed number");
    return value;
  }

  unsigned Hex4() {
    if (pos_ + 4 > text_.size()) Fail("short \\u escape");
    unsigned code = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[pos_++];
      code <<= 4;
      if (c >= '0' && c <= '9') {
        code |= static_cast<unsigned>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        code |= static_cast<unsigned>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        code |= static_cast<unsigned>(c - 'A' + 10);
      } else {
        Fail("malformed \\u escape");
      }
    }
    return code;
  }

  std::string String() {
    if (pos_ >= text_.size() || text_[pos_] != '"') Fail("expected a string");
    ++pos_;
    std::string out;
    while (true) {
      if (pos_ >= text_.size()) Fail("unterminated string");
      const char c = text_[pos_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) Fail("control character in a string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) Fail("unterminated string");
      const char escaped = text_[pos_++];
      switch (escaped) {
        case '"':
        case '\\':
        case '/':
          out += escaped;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          unsigned code = Hex4();
          if (code >= 0xD800 && code < 0xDC00) {
            if (!Word("\\u")) Fail("lone surrogate");
            const unsigned low = Hex4();
            if (low < 0xDC00 || low >= 0xE000) Fail("lone surrogate");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else if (code >= 0xDC00 && code < 0xE000) {
            Fail("lone surrogate");
          }
          AppendUtf8(out, code);
          break;
        }
        default:
          Fail("unknown escape");
      }
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Find(std::string_view key) const {
  if (kind != Kind::Object) return nullptr;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (keys[i] == key) return &items[i];
  }
  return nullptr;
}

std::string JsonValue::Text(std::string_view key, const std::string& fallback) const {
  const JsonValue* value = Find(key);
  return value && value->kind == Kind::String ? value->text : fallback;
}

JsonValue* JsonValue::FindMutable(std::string_view key) {
  return const_cast<JsonValue*>(Find(key));
}

void JsonValue::Set(std::string_view key, JsonValue value) {
  if (JsonValue* found = FindMutable(key)) {
    *found = std::move(value);
    return;
  }
  keys.emplace_back(key);
  items.push_back(std::move(value));
}

JsonValue JsonValue::String(std::string utf8) {
  JsonValue value;
  value.kind = Kind::String;
  value.text = std::move(utf8);
  return value;
}

JsonValue JsonValue::Boolean(bool truth) {
  JsonValue value;
  value.kind = Kind::Bool;
  value.boolean = truth;
  return value;
}

JsonValue ParseJson(std::string_view document) {
  return Parser(document).Document();
}

namespace {

void Write(const JsonValue& value, int depth, std::string& out) {
  using Kind = JsonValue::Kind;
  const std::string indent(static_cast<size_t>(depth) * 2 + 2, ' ');
  switch (value.kind) {
    case Kind::Null:
      out += "null";
      break;
    case Kind::Bool:
      out += value.boolean ? "true" : "false";
      break;
    case Kind::Number:
      out += value.text.empty() ? std::to_string(value.number) : value.text;
      break;
    case Kind::String:
      out += JsonQuoted(value.text);
      break;
    case Kind::Array:
    case Kind::Object: {
      const bool object = value.kind == Kind::Object;
      out += object ? '{' : '[';
      for (size_t i = 0; i < value.items.size(); ++i) {
        out += (i ? ",\n" : "\n") + indent;
        if (object) out += JsonQuoted(value.keys[i]) + ": ";
        Write(value.items[i], depth + 1, out);
      }
      if (!value.items.empty()) out += "\n" + indent.substr(2);
      out += object ? '}' : ']';
      break;
    }
  }
}

}  // namespace

std::string JsonText(const JsonValue& value) {
  std::string out;
  Write(value, 0, out);
  return out + "\n";
}

}  // namespace zeph
