// What the system's own TLS knows of a session libcurl holds: Windows'
// Schannel tells its protocol version only when asked, libcurl prints none.
#pragma once

#include <string>

namespace zeph::platform {

// The protocol of the Schannel session whose security context (the CtxtHandle
// libcurl reports as its TLS session) is `context`, in OpenSSL's words
// ("TLSv1.2"); empty where the system has no Schannel or the context says
// nothing.
std::string SchannelProtocol(const void* context);

}  // namespace zeph::platform
