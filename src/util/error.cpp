#include "util/error.h"

#include "util/text.h"

namespace zeph {

EWyjatek::EWyjatek(const std::string& format, const std::vector<std::string>& values, uint8_t code)
    : Exception(FormatS(format, values)), code_(code) {}

std::string ReasonOf(const std::exception& e) {
  const auto* error = dynamic_cast<const Exception*>(&e);
  return error != nullptr ? error->Reason() : std::string();
}

}  // namespace zeph
