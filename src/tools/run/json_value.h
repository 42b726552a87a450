// A small JSON reader and writer for the run record: enough of RFC 8259 to
// read what the program writes, strict enough to refuse anything malformed,
// and a record read and written again keeps its numbers as they were.
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
  std::string text;               // UTF-8; of a number: its text as read
  std::vector<JsonValue> items;   // of an array; of an object: the values
  std::vector<std::string> keys;  // of an object, one per item

  // The member `key` of an object; nullptr when absent or not an object.
  const JsonValue* Find(std::string_view key) const;
  // The member's text, or `fallback` when it is missing or no string.
  std::string Text(std::string_view key, const std::string& fallback = {}) const;
  JsonValue* FindMutable(std::string_view key);
  // Replaces the member `key` of an object, or adds it at the end.
  void Set(std::string_view key, JsonValue value);

  static JsonValue String(std::string utf8);
  static JsonValue Boolean(bool truth);
};

// Parses a whole document. Throws std::runtime_error naming the byte offset
// of the first fault.
JsonValue ParseJson(std::string_view document);

// The document as JSON text, indented by two blanks a level.
std::string JsonText(const JsonValue& value);

}  // namespace zeph
