#include "platform/windows/access_check.h"

#include <cerrno>
#include <vector>

namespace zeph::platform::windows {
namespace {

// The account's token as an impersonation token, which AccessCheck needs.
class AccessToken {
 public:
  AccessToken() {
    HANDLE process = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(),
                            TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_IMPERSONATE, &process)) {
      return;
    }
    if (!::DuplicateToken(process, SecurityImpersonation, &token_)) token_ = nullptr;
    ::CloseHandle(process);
  }
  ~AccessToken() {
    if (token_ != nullptr) ::CloseHandle(token_);
  }
  AccessToken(const AccessToken&) = delete;
  AccessToken& operator=(const AccessToken&) = delete;
  HANDLE Get() const { return token_; }

 private:
  HANDLE token_ = nullptr;
};

}  // namespace

bool MayAccess(const std::string& path, DWORD access) {
  const std::wstring wide = Wide(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    SetErrnoFromLastError();
    return false;
  }
  const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if ((access & FILE_WRITE_DATA) && !directory && (attributes & FILE_ATTRIBUTE_READONLY)) {
    errno = EACCES;
    return false;
  }
  constexpr SECURITY_INFORMATION kWhat =
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  DWORD size = 0;
  ::GetFileSecurityW(wide.c_str(), kWhat, nullptr, 0, &size);
  std::vector<char> descriptor(size);
  if (size == 0 || !::GetFileSecurityW(wide.c_str(), kWhat, descriptor.data(), size, &size)) {
    SetErrnoFromLastError();
    return false;
  }
  AccessToken token;
  if (token.Get() == nullptr) {
    SetErrnoFromLastError();
    return false;
  }
  GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                          FILE_ALL_ACCESS};
  DWORD wanted = access;
  ::MapGenericMask(&wanted, &mapping);
  PRIVILEGE_SET privileges{};
  DWORD privileges_size = sizeof privileges;
  DWORD granted = 0;
  BOOL allowed = FALSE;
  if (!::AccessCheck(descriptor.data(), token.Get(), wanted, &mapping, &privileges,
                     &privileges_size, &granted, &allowed)) {
    SetErrnoFromLastError();
    return false;
  }
  if (!allowed) errno = EACCES;
  return allowed != FALSE;
}

}  // namespace zeph::platform::windows
