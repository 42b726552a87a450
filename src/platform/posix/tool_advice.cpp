#include "platform/tool_advice.h"

namespace zeph::platform {

std::string ServerListConversionAdvice(bool utf16) {
  return std::string("iconv -f ") + (utf16 ? "UTF-16" : "UTF-8") +
         " -t CP1250 serwery.ini > serwery.ini.new (without a leading byte-order mark), then "
         "move it over serwery.ini";
}

const char* SwitchReference() {
  return "zephautomat(1)";
}

}  // namespace zeph::platform
