#include "platform/account_access.h"

#include <aclapi.h>

#include <vector>

#include "platform/windows/access_list_readers.h"
#include "platform/windows/windows_support.h"

namespace zeph::platform {
namespace {

using windows::Wide;

// What icacls calls Modify: read, write, run, delete; not the right to
// change the access list.
constexpr DWORD kModify = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;

// The SID of an account by name; empty with `error` set when it has none.
std::vector<char> AccountSid(const std::string& account, std::string& error) {
  DWORD sid_size = 0;
  DWORD domain_size = 0;
  SID_NAME_USE use{};
  const std::wstring name = Wide(account);
  ::LookupAccountNameW(nullptr, name.c_str(), nullptr, &sid_size, nullptr, &domain_size, &use);
  std::vector<char> sid(sid_size);
  std::vector<wchar_t> domain(domain_size + 1);
  if (sid_size == 0 || !::LookupAccountNameW(nullptr, name.c_str(), sid.data(), &sid_size,
                                             domain.data(), &domain_size, &use)) {
    error = "no such account: " + account;
    return {};
  }
  return sid;
}

std::vector<char> WellKnownSid(WELL_KNOWN_SID_TYPE type) {
  std::vector<char> sid(SECURITY_MAX_SID_SIZE);
  DWORD size = SECURITY_MAX_SID_SIZE;
  ::CreateWellKnownSid(type, nullptr, sid.data(), &size);
  return sid;
}

EXPLICIT_ACCESSW Allow(PSID sid, DWORD rights, DWORD inheritance) {
  EXPLICIT_ACCESSW entry{};
  entry.grfAccessPermissions = rights;
  entry.grfAccessMode = SET_ACCESS;
  entry.grfInheritance = inheritance;
  entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  entry.Trustee.ptstrName = static_cast<LPWSTR>(sid);
  return entry;
}

}  // namespace

std::string CurrentAccount() {
  std::vector<char> user = windows::TokenUser();
  if (user.empty()) return "";
  return windows::AccountName(
      windows::SidText(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid));
}

bool GiveToAccount(const std::string& path, const std::string& account, bool secret,
                   std::string& error) {
  std::vector<char> sid = AccountSid(account, error);
  if (sid.empty()) return false;
  const std::wstring wide = Wide(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    error = windows::SystemMessage(::GetLastError());
    return false;
  }
  const DWORD inheritance = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                                ? SUB_CONTAINERS_AND_OBJECTS_INHERIT
                                : NO_INHERITANCE;
  std::vector<char> administrators = WellKnownSid(WinBuiltinAdministratorsSid);
  std::vector<char> system = WellKnownSid(WinLocalSystemSid);
  std::vector<EXPLICIT_ACCESSW> entries{Allow(sid.data(), kModify, inheritance),
                                        Allow(administrators.data(), GENERIC_ALL, inheritance)};
  if (!secret) entries.push_back(Allow(system.data(), GENERIC_ALL, inheritance));
  windows::LocalMemory acl;
  DWORD status = ::SetEntriesInAclW(static_cast<ULONG>(entries.size()), entries.data(), nullptr,
                                    reinterpret_cast<PACL*>(acl.Out()));
  if (status == ERROR_SUCCESS) {
    // Protected: nothing is taken from the directory above (where Users
    // may read what is made in C:\ZephAutomat).
    status =
        ::SetNamedSecurityInfoW(const_cast<wchar_t*>(wide.c_str()), SE_FILE_OBJECT,
                                DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                nullptr, nullptr, static_cast<PACL>(acl.Get()), nullptr);
  }
  if (status != ERROR_SUCCESS) {
    error = "cannot set its access list: " + windows::SystemMessage(status);
    return false;
  }
  return true;
}

}  // namespace zeph::platform
