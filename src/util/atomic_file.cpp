#include "util/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "util/diagnostics.h"
#include "util/files.h"

namespace zeph {
namespace {

// The kernel rewrites the group bits from this attribute's mask entry;
// without it a rewrite would turn the mask into plain group permissions.
constexpr std::string_view kAclAttribute = "system.posix_acl_access";

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  return path.substr(path.find_last_of('/') + 1);
}

std::string TempPathFor(const std::string& target, pid_t pid) {
  return DirectoryOf(target) + "/." + BaseName(target) + "." + std::to_string(pid) + ".tmp";
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The pid in ".<base>.<pid>.tmp" or ".<base>.<pid>.<n>.tmp"; 0 for other
// names.
pid_t TemporaryOwner(std::string_view name, std::string_view base) {
  std::string prefix = "." + std::string(base) + ".";
  if (name.size() <= prefix.size() + 4 || name.substr(0, prefix.size()) != prefix ||
      name.substr(name.size() - 4) != ".tmp") {
    return 0;
  }
  std::string_view middle = name.substr(prefix.size(), name.size() - prefix.size() - 4);
  std::string_view pid_text = middle.substr(0, middle.find('.'));
  if (pid_text.size() < middle.size() && !AllDigits(middle.substr(pid_text.size() + 1))) return 0;
  if (!AllDigits(pid_text) || pid_text.size() > 9) return 0;
  return static_cast<pid_t>(std::stol(std::string(pid_text)));
}

bool ProcessIsGone(pid_t pid) {
  return ::kill(pid, 0) != 0 && errno == ESRCH;
}

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

}  // namespace

FileStamp FileStamp::Of(const struct stat& st) {
  FileStamp stamp;
  stamp.valid = true;
  stamp.dev = st.st_dev;
  stamp.ino = st.st_ino;
  stamp.size = st.st_size;
  stamp.mtime = st.st_mtim;
  stamp.ctime = st.st_ctim;
  return stamp;
}

bool FileStamp::operator==(const FileStamp& o) const {
  return valid && o.valid && dev == o.dev && ino == o.ino && size == o.size &&
         mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec &&
         ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
}

FileStamp StampOfPath(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return FileStamp::Of(st);
}

std::string ResolveWriteTarget(const std::string& path) {
  std::string current = path;
  // The kernel's own limit on links in one lookup; a loop ends here and the
  // rename then fails with the system's reason.
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::vector<char> buffer(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
    ssize_t n = ::readlink(current.c_str(), buffer.data(), buffer.size());
    if (n < 0 || static_cast<size_t>(n) >= buffer.size()) return current;
    std::string link(buffer.data(), static_cast<size_t>(n));
    current = link[0] == '/' ? link : DirectoryOf(current) + "/" + link;
  }
  return current;
}

AtomicFile::AtomicFile(std::string path, mode_t new_file_mode)
    : path_(std::move(path)), new_file_mode_(new_file_mode) {}

AtomicFile::~AtomicFile() {
  if (!temp_.empty() && !committed_) {
    fd_.Reset();
    ::unlink(temp_.c_str());
  }
}

bool AtomicFile::Fail(const char* what, const std::string& path) {
  error_ = errno;
  failure_ = what;
  failure_path_ = path;
  return false;
}

bool AtomicFile::Open() {
  target_ = ResolveWriteTarget(path_);
  if (::stat(target_.c_str(), &original_) == 0) {
    have_original_ = true;
    if (original_.st_nlink > 1) {
      Diagnose(target_ + " has " + std::to_string(original_.st_nlink) +
               " hard links; the rewrite replaces this name only, the other names keep the old "
               "content");
    }
  } else if (errno != ENOENT) {
    return Fail("cannot examine", target_);
  }
  // Nobody else may read the new bytes before the original's permissions
  // are in place: at most 0600, and never more than the original allows.
  mode_t mode = have_original_ ? (original_.st_mode & kNewFileMode) : kNewFileMode;
  temp_ = TempPathFor(target_, ::getpid());
  for (int attempt = 0; attempt < 2; ++attempt) {
    fd_.Reset(::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode));
    if (fd_.Valid()) return true;
    // A leftover of a dead process that had our pid; nobody else uses it.
    if (errno != EEXIST || ::unlink(temp_.c_str()) != 0) break;
  }
  std::string temp = temp_;
  temp_.clear();  // not ours: never remove it
  return Fail("cannot create temporary file", temp);
}

bool AtomicFile::Write(std::string_view bytes) {
  // Named after the file the operator knows; the temporary one is gone
  // once the failure is reported.
  if (!WriteAll(fd_.Get(), bytes)) return Fail("cannot write", target_);
  return true;
}

bool AtomicFile::Write(const std::vector<std::string_view>& pieces) {
  if (!WriteAll(fd_.Get(), pieces)) return Fail("cannot write", target_);
  return true;
}

bool AtomicFile::CopyExtendedAttributes() {
  std::vector<char> names;
  if (!ListAttributes(target_, names)) {
    if (errno == ENOTSUP) return true;  // nothing to carry over
    return Fail("cannot list extended attributes of", target_);
  }
  std::vector<char> value;
  for (size_t pos = 0; pos < names.size(); pos += std::strlen(names.data() + pos) + 1) {
    const char* name = names.data() + pos;
    bool ok = ReadAttribute(target_, name, value) &&
              ::fsetxattr(fd_.Get(), name, value.data(), value.size(), 0) == 0;
    if (ok) continue;
    // Losing the ACL would change who may read the passwords: stop. Other
    // attributes (a security label an unprivileged user cannot set) are
    // reported and the rewrite goes on.
    if (name == kAclAttribute) return Fail("cannot carry over the ACL of", target_);
    DiagnoseSystemError(std::string("cannot carry over extended attribute ") + name + " of",
                        target_, errno);
  }
  return true;
}

bool AtomicFile::Commit(FileStamp* stamp) {
  if (stamp != nullptr) *stamp = {};
  if (have_original_) {
    // An unprivileged user cannot give a file away; keeping the content
    // matters more, and the operator learns of it.
    if ((original_.st_uid != ::geteuid() || original_.st_gid != ::getegid()) &&
        ::fchown(fd_.Get(), original_.st_uid, original_.st_gid) != 0) {
      DiagnoseSystemError("cannot keep the owner of", target_, errno);
    }
    if (!CopyExtendedAttributes()) return false;
    // After the ACL: with one, the group bits are its mask, and the
    // original's group bits are exactly that mask.
    if (::fchmod(fd_.Get(), original_.st_mode & 07777) != 0) return Fail("cannot set mode", temp_);
  } else if (::fchmod(fd_.Get(), new_file_mode_) != 0) {
    return Fail("cannot set mode", temp_);
  }
  if (::fsync(fd_.Get()) != 0) return Fail("cannot write", target_);
  struct stat written {};
  if (::fstat(fd_.Get(), &written) != 0) return Fail("cannot examine", temp_);
  if (!fd_.Close()) return Fail("cannot write", target_);
  if (::rename(temp_.c_str(), target_.c_str()) != 0) return Fail("cannot replace", target_);
  committed_ = true;
  // Makes the rename itself durable.
  UniqueFd dir(::open(DirectoryOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.Valid() || ::fsync(dir.Get()) != 0) {
    DiagnoseSystemError("cannot sync directory of", target_, errno);
  }
  if (stamp != nullptr) {
    // The rename changed the ctime; anything else means another writer.
    FileStamp now = StampOfPath(target_);
    FileStamp ours = FileStamp::Of(written);
    if (now.valid && now.ino == ours.ino && now.dev == ours.dev && now.size == ours.size &&
        now.mtime.tv_sec == ours.mtime.tv_sec && now.mtime.tv_nsec == ours.mtime.tv_nsec) {
      *stamp = now;
    }
  }
  return true;
}

void RemoveStaleTemporaries(const std::string& path) {
  std::string target = ResolveWriteTarget(path);
  std::string dir = DirectoryOf(target);
  std::string base = BaseName(target);
  DIR* stream = ::opendir(dir.c_str());
  if (stream == nullptr) return;  // the write itself reports a bad directory
  std::vector<std::string> stale;
  while (const dirent* item = ::readdir(stream)) {
    pid_t pid = TemporaryOwner(item->d_name, base);
    if (pid > 0 && pid != ::getpid() && ProcessIsGone(pid)) stale.emplace_back(item->d_name);
  }
  ::closedir(stream);
  for (const std::string& name : stale) {
    std::string file = dir + "/" + name;
    if (::unlink(file.c_str()) == 0) {
      Diagnose("removed " + file + ", left over by a run that ended during a rewrite");
    } else if (errno != ENOENT) {
      DiagnoseSystemError("cannot remove leftover temporary file", file, errno);
    }
  }
}

}  // namespace zeph
