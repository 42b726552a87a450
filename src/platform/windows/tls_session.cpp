#include "platform/tls_session.h"

#define SECURITY_WIN32
#include <windows.h>
// The SSPI headers after windows.h, whose types they use.
#include <schannel.h>
#include <security.h>

namespace zeph::platform {
namespace {

struct ProtocolName {
  DWORD mask;  // the client and server bits of one protocol
  const char* name;
};
constexpr ProtocolName kProtocols[] = {{SP_PROT_TLS1_3, "TLSv1.3"},
                                       {SP_PROT_TLS1_2, "TLSv1.2"},
                                       {SP_PROT_TLS1_1, "TLSv1.1"},
                                       {SP_PROT_TLS1, "TLSv1"},
                                       {SP_PROT_SSL3, "SSLv3"}};

}  // namespace

std::string SchannelProtocol(const void* context) {
  if (context == nullptr) return {};
  // The handle is only read; the API takes it without const.
  auto* handle = const_cast<CtxtHandle*>(static_cast<const CtxtHandle*>(context));
  SecPkgContext_ConnectionInfo info{};
  if (::QueryContextAttributesW(handle, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK) return {};
  for (const ProtocolName& protocol : kProtocols) {
    if ((info.dwProtocol & protocol.mask) != 0) return protocol.name;
  }
  return {};
}

}  // namespace zeph::platform
