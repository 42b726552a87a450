#include "platform/tls_session.h"

namespace zeph::platform {

std::string SchannelProtocol(const void*) {
  return {};  // a POSIX system's libcurl prints its protocol itself
}

}  // namespace zeph::platform
