#include "platform/other_readers.h"

#include <aclapi.h>

#include <vector>

#include "platform/windows/access_list_readers.h"
#include "platform/windows/windows_support.h"

namespace zeph::platform {
namespace {

using windows::AccountName;
using windows::TokenUser;

// How icacls takes an account: by name, or by "*SID" when it has none.
std::string IcaclsAccount(const std::string& name) {
  return name.rfind("S-1-", 0) == 0 ? "*" + name : name;
}

}  // namespace

// The remedy leaves the file to its owner alone, as chmod 600 does on POSIX
// systems: no entries taken from the directory, full control for the
// owner, and the readers' own entries removed.
bool FindOtherReaders(const std::string& path, OtherReaders& out) {
  windows::LocalMemory descriptor;
  PSID owner = nullptr;  // points into the descriptor, as its access list does
  const DWORD status =
      ::GetNamedSecurityInfoW(windows::Wide(path).c_str(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                              nullptr, nullptr, nullptr, descriptor.Out());
  if (status != ERROR_SUCCESS) {
    windows::SetErrnoFrom(status);
    return false;
  }
  std::vector<char> self = TokenUser();
  const PSID self_sid =
      self.empty() ? nullptr : reinterpret_cast<TOKEN_USER*>(self.data())->User.Sid;
  out = OtherReaders();
  const std::vector<std::string> sids = windows::OtherReaderSids(descriptor.Get(), self_sid);
  if (sids.empty()) return true;
  std::string removed;
  for (const std::string& sid : sids) {
    const std::string name = AccountName(sid);
    out.who += (out.who.empty() ? "" : ", ") + name;
    removed += " \"" + IcaclsAccount(name) + "\"";
  }
  out.because = "its access list allows it";
  const std::string owner_name = owner != nullptr ? AccountName(windows::SidText(owner)) : "?";
  out.remedy = "icacls \"" + path + "\" /inheritance:r /grant:r \"" + IcaclsAccount(owner_name) +
               ":F\" /remove:g" + removed;
  return true;
}

}  // namespace zeph::platform
