#include "platform/file_security.h"

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

namespace zeph::platform {
namespace {

// The kernel rewrites the group bits from this attribute's mask entry;
// without it a rewrite would turn the mask into plain group permissions.
constexpr std::string_view kAclAttribute = "system.posix_acl_access";

// Lists the names of the file's extended attributes; false with errno set.
bool ListAttributes(const std::string& path, std::vector<char>& names) {
  for (;;) {
    ssize_t size = ::listxattr(path.c_str(), nullptr, 0);
    if (size < 0) return false;
    names.resize(static_cast<size_t>(size));
    if (size == 0) return true;
    size = ::listxattr(path.c_str(), names.data(), names.size());
    if (size >= 0) {
      names.resize(static_cast<size_t>(size));
      return true;
    }
    if (errno != ERANGE) return false;  // ERANGE: it grew meanwhile
  }
}

bool ReadAttribute(const std::string& path, const char* name, std::vector<char>& value) {
  for (;;) {
    ssize_t size = ::getxattr(path.c_str(), name, nullptr, 0);
    if (size < 0) return false;
    value.resize(static_cast<size_t>(size));
    if (size == 0) return true;
    size = ::getxattr(path.c_str(), name, value.data(), value.size());
    if (size >= 0) {
      value.resize(static_cast<size_t>(size));
      return true;
    }
    if (errno != ERANGE) return false;
  }
}

bool Fatal(std::vector<SecurityProblem>& problems, std::string what, bool of_replacement = false) {
  problems.push_back({std::move(what), errno, true, of_replacement});
  return false;
}

bool CopyExtendedAttributes(const std::string& path, int fd,
                            std::vector<SecurityProblem>& problems) {
  std::vector<char> names;
  if (!ListAttributes(path, names)) {
    if (errno == ENOTSUP) return true;  // nothing to carry over
    return Fatal(problems, "cannot list extended attributes of");
  }
  std::vector<char> value;
  for (size_t pos = 0; pos < names.size(); pos += std::strlen(names.data() + pos) + 1) {
    const char* name = names.data() + pos;
    bool ok = ReadAttribute(path, name, value) &&
              ::fsetxattr(fd, name, value.data(), value.size(), 0) == 0;
    if (ok) continue;
    // Losing the ACL would change who may read the passwords: stop. Other
    // attributes (a security label an unprivileged user cannot set) are
    // reported and the rewrite goes on.
    if (name == kAclAttribute) return Fatal(problems, "cannot carry over the ACL of");
    problems.push_back(
        {std::string("cannot carry over extended attribute ") + name + " of", errno, false});
  }
  return true;
}

}  // namespace

void CarryOverSecurity(const std::string& original_path, const FileInfo& original, int fd,
                       std::vector<SecurityProblem>& problems) {
  // An unprivileged user cannot give a file away; keeping the content
  // matters more, and the operator learns of it.
  if ((original.owner != ::geteuid() || original.group != ::getegid()) &&
      ::fchown(fd, original.owner, original.group) != 0) {
    problems.push_back({"cannot keep the owner of", errno, false});
  }
  if (!CopyExtendedAttributes(original_path, fd, problems)) return;
  // After the ACL: with one, the group bits are its mask, and the
  // original's group bits are exactly that mask.
  if (::fchmod(fd, original.mode & 07777) != 0) Fatal(problems, "cannot set mode", true);
}

bool SetNewFileMode(int fd, unsigned mode) {
  return ::fchmod(fd, static_cast<mode_t>(mode)) == 0;
}

}  // namespace zeph::platform
