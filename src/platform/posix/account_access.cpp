#include "platform/account_access.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/error_text.h"

namespace zeph::platform {

std::string CurrentAccount() {
  std::vector<char> buffer(16384);
  struct passwd pw {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &pw, buffer.data(), buffer.size(), &found) != 0 || !found) {
    return std::to_string(::geteuid());
  }
  return pw.pw_name;
}

bool GiveToAccount(const std::string& path, const std::string& account, bool /*secret*/,
                   std::string& error) {
  std::vector<char> buffer(16384);
  struct passwd pw {};
  struct passwd* found = nullptr;
  if (::getpwnam_r(account.c_str(), &pw, buffer.data(), buffer.size(), &found) != 0 || !found) {
    error = "no such user: " + account;
    return false;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    error = ErrorText(errno);
    return false;
  }
  if ((st.st_uid != pw.pw_uid || st.st_gid != pw.pw_gid) &&
      ::chown(path.c_str(), pw.pw_uid, pw.pw_gid) != 0) {
    error = "cannot give it to " + account + ": " + ErrorText(errno);
    return false;
  }
  if (::chmod(path.c_str(), S_ISDIR(st.st_mode) ? 0700 : 0600) != 0) {
    error = ErrorText(errno);
    return false;
  }
  return true;
}

}  // namespace zeph::platform
