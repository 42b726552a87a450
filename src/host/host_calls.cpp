#include "host/host_calls.h"

#include <charconv>

#include "util/encoding.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {

std::string HostText(const WideString& text) {
  std::string out = WideToAnsi(text);
  for (char& c : out) {
    if (c == '\0') c = '?';
  }
  return out;
}

void Check(const HostStatus& status) {
  if (status.Failed()) throw Exception(HostText(status.description));
}

std::string VariantText(const Variant& value) {
  if (const auto* number = std::get_if<int32_t>(&value)) return std::to_string(*number);
  if (const auto* text = std::get_if<WideString>(&value)) return HostText(*text);
  return {};
}

int32_t VariantInt(const Variant& value) {
  if (const auto* number = std::get_if<int32_t>(&value)) return *number;
  const std::string text = Trim(VariantText(value));
  int32_t out = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    throw Exception("'" + text + "' is not a valid integer value");
  }
  return out;
}

}  // namespace zeph
