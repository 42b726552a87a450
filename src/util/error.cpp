#include "util/error.h"

#include "util/text.h"

namespace zeph {

EWyjatek::EWyjatek(const std::string& format, const std::vector<std::string>& values, uint8_t code)
    : Exception(FormatS(format, values)), code_(code) {}

}  // namespace zeph
