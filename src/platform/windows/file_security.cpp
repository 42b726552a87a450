#include "platform/file_security.h"

#include <aclapi.h>

#include <cerrno>

#include "platform/windows/windows_support.h"

namespace zeph::platform {
using windows::LocalMemory;

// The owner stays the account that writes (only an administrator could give
// the file away); the access list is what decides who may read it, and the
// read-only attribute does not apply to a file the program rewrites.
void CarryOverSecurity(const std::string& original_path, const FileInfo&, int fd,
                       std::vector<SecurityProblem>& problems) {
  PACL dacl = nullptr;
  LocalMemory descriptor;
  DWORD status = ::GetNamedSecurityInfoW(windows::Wide(original_path).c_str(), SE_FILE_OBJECT,
                                         DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                         nullptr, descriptor.Out());
  if (status != ERROR_SUCCESS) {
    problems.push_back({"cannot carry over the ACL of", windows::ErrnoOf(status), true, false});
    return;
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ::GetSecurityDescriptorControl(descriptor.Get(), &control, &revision);
  // Inherited entries are marked as such; an unprotected list takes them
  // from the directory again, as the original did.
  const SECURITY_INFORMATION what =
      DACL_SECURITY_INFORMATION |
      ((control & SE_DACL_PROTECTED) != 0 ? PROTECTED_DACL_SECURITY_INFORMATION
                                          : UNPROTECTED_DACL_SECURITY_INFORMATION);
  HANDLE handle = windows::HandleOf(fd);
  status = handle == INVALID_HANDLE_VALUE
               ? ERROR_INVALID_HANDLE
               : ::SetSecurityInfo(handle, SE_FILE_OBJECT, what, nullptr, nullptr, dacl, nullptr);
  if (status != ERROR_SUCCESS) {
    problems.push_back({"cannot carry over the ACL of", windows::ErrnoOf(status), true, false});
  }
}

// A new file readable by others takes the directory's access list; one for
// the owner only keeps the list it was created with (platform/file.h).
bool SetNewFileMode(int fd, unsigned mode) {
  if ((mode & 044) == 0) return true;
  ACL empty{};
  if (!::InitializeAcl(&empty, sizeof empty, ACL_REVISION)) {
    windows::SetErrnoFromLastError();
    return false;
  }
  HANDLE handle = windows::HandleOf(fd);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const DWORD status = ::SetSecurityInfo(
      handle, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
      nullptr, nullptr, &empty, nullptr);
  if (status == ERROR_SUCCESS) return true;
  windows::SetErrnoFrom(status);
  return false;
}

}  // namespace zeph::platform
