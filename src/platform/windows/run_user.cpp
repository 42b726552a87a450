#include "platform/run_user.h"

#include <cerrno>
#include <cstring>

#include "platform/error_text.h"
#include "platform/windows/access_check.h"
#include "platform/windows/windows_support.h"

namespace zeph::platform {

// Windows accounts have no uid; the check judges only the account it runs
// as, through that account's own token.
RunUser CurrentRunUser() {
  RunUser user;
  wchar_t name[257] = {};
  DWORD size = 257;
  user.name = ::GetUserNameW(name, &size) ? windows::Narrow(name) : std::string("?");
  user.is_current = true;
  return user;
}

// Files carry no user ids here (FileInfo::owner is 0).
std::string UserNameOf(uint32_t uid) {
  return std::to_string(uid);
}

bool LookUpRunUser(const std::string& name, RunUser& out) {
  RunUser current = CurrentRunUser();
  if (::_stricmp(name.c_str(), current.name.c_str()) != 0) return false;
  out = current;
  return true;
}

bool MayWrite(const RunUser&, const std::string& path, std::string& reason) {
  const DWORD attributes = ::GetFileAttributesW(windows::Wide(path).c_str());
  const bool directory =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  // In a directory: create, rename and remove files.
  const DWORD access =
      directory ? FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_TRAVERSE | FILE_DELETE_CHILD
                : FILE_GENERIC_WRITE;
  if (windows::MayAccess(path, access)) return true;
  reason = ErrorText(errno);
  return false;
}

bool MayRead(const RunUser&, const std::string& path, std::string& reason) {
  if (windows::MayAccess(path, FILE_GENERIC_READ)) return true;
  reason = ErrorText(errno);
  return false;
}

}  // namespace zeph::platform
