// A small JSON reader for the run record: enough of RFC 8259 to read what
// the program writes, and strict enough to refuse anything malformed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeph {

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object };

  Kind kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;               // UTF-8
  std::vector<JsonValue> items;   // of an array; of an object: the values
  std::vector<std::string> keys;  // of an object, one per item

  // The member `key` of an object; nullptr when absent or not an object.
  const JsonValue* Find(std::string_view key) const;
  // The member's text, or `fallback` when it is missing or no string.
  std::string Text(std::string_view key, const std::string& fallback = {}) const;
};

// Parses a whole document. Throws std::runtime_error naming the byte offset
// of the first fault.
JsonValue ParseJson(std::string_view document);

}  // namespace zeph
