// Which scenario keys exist and how their values read. Names given here are
// folded to lower case (sim_text.h) and have no "#N" suffix.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

enum class KeyKind {
  kUnknown,
  kOutcome,        // ok, status: TEXT, false[: TEXT], true: TEXT
  kModuleOutcome,  // ok, none, status: TEXT
  kCreate,         // ok, status: TEXT
  kText,
  kInteger,
  kFlag,             // 0 or 1
  kDate,             // yyyy.mm.dd
  kDateOrUnchanged,  // yyyy.mm.dd or "unchanged"
};

// Kind of the key OBJECT.METHOD[.VALUE]; `value` is empty for a key without
// one. Creation keys exist in [Host] only.
KeyKind ClassifyKey(std::string_view object, std::string_view method, std::string_view value,
                    bool host_section);

struct Outcome {
  enum class Kind { kOk, kStatus, kFalse, kTrue, kNone };
  Kind kind = Kind::kOk;
  std::string text;  // UTF-8
};

// "ok", "none", "false", "true", or "status:", "false:", "true:" followed by
// the text (one blank after the colon dropped). Keywords are case-insensitive.
std::optional<Outcome> ParseOutcome(std::string_view value);
std::optional<int32_t> ParseInteger(std::string_view value);
std::optional<bool> ParseFlag(std::string_view value);

// Whether `value` is usable for a key of `kind`.
bool IsValidValue(KeyKind kind, std::string_view value);

}  // namespace sim
