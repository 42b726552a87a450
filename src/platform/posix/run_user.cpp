#include "platform/run_user.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zeph::platform {
namespace {

bool FromPasswd(const struct passwd& pw, RunUser& out) {
  out.name = pw.pw_name;
  out.uid = pw.pw_uid;
  out.gid = pw.pw_gid;
  int count = 64;
  std::vector<gid_t> groups(static_cast<size_t>(count));
  while (::getgrouplist(pw.pw_name, pw.pw_gid, groups.data(), &count) < 0) {
    groups.resize(static_cast<size_t>(count) * 2);
    count = static_cast<int>(groups.size());
  }
  groups.resize(static_cast<size_t>(count));
  out.groups.assign(groups.begin(), groups.end());
  return true;
}

bool LookUp(const char* name, uid_t uid, bool by_name, RunUser& out) {
  std::vector<char> buffer(16384);
  struct passwd pw {};
  struct passwd* found = nullptr;
  int rc = by_name ? ::getpwnam_r(name, &pw, buffer.data(), buffer.size(), &found)
                   : ::getpwuid_r(uid, &pw, buffer.data(), buffer.size(), &found);
  return rc == 0 && found != nullptr && FromPasswd(pw, out);
}

bool ReadOnlyMount(const std::string& path) {
  struct statvfs vfs {};
  return ::statvfs(path.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY) != 0;
}

// Whether `user` may read, or write (create, rename, remove in a directory),
// the file at `path`.
bool MayAccess(const RunUser& user, const std::string& path, bool write, std::string& reason) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    reason = std::strerror(errno);
    return false;
  }
  const bool directory = S_ISDIR(st.st_mode);
  if (user.is_current) {
    // Directories also need search permission to reach the files in them.
    int mode = !write ? R_OK : directory ? W_OK | X_OK : W_OK;
    if (::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0) return true;
    reason = std::strerror(errno);
    return false;
  }
  if (write && ReadOnlyMount(path)) {
    reason = "read-only file system";
    return false;
  }
  if (user.uid == 0) return true;
  mode_t access_bit = write ? S_IWOTH : S_IROTH;
  mode_t search_bit = S_IXOTH;
  std::string whose = "others";
  if (st.st_uid == user.uid) {
    access_bit = write ? S_IWUSR : S_IRUSR;
    search_bit = S_IXUSR;
    whose = "its owner";
  } else if (std::find(user.groups.begin(), user.groups.end(), st.st_gid) != user.groups.end()) {
    access_bit = write ? S_IWGRP : S_IRGRP;
    search_bit = S_IXGRP;
    whose = "its group";
  }
  bool ok = (st.st_mode & access_bit) != 0 && (!directory || (st.st_mode & search_bit) != 0);
  if (!ok)
    reason = "its mode gives " + whose + (write ? " no write permission" : " no read permission");
  return ok;
}

}  // namespace

RunUser CurrentRunUser() {
  RunUser user;
  uid_t uid = ::geteuid();
  if (!LookUp(nullptr, uid, false, user)) {
    user.name = std::to_string(uid);
    user.uid = uid;
    user.gid = ::getegid();
    user.groups = {user.gid};
  }
  user.is_current = true;
  return user;
}

std::string UserNameOf(uint32_t uid) {
  RunUser user;
  return LookUp(nullptr, uid, false, user) ? user.name : std::to_string(uid);
}

bool LookUpRunUser(const std::string& name, RunUser& out) {
  if (!LookUp(name.c_str(), 0, true, out)) return false;
  out.is_current = out.uid == ::geteuid();
  return true;
}

bool MayWrite(const RunUser& user, const std::string& path, std::string& reason) {
  return MayAccess(user, path, true, reason);
}

bool MayRead(const RunUser& user, const std::string& path, std::string& reason) {
  return MayAccess(user, path, false, reason);
}

}  // namespace zeph::platform
