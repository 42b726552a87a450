#include "util/atomic_file.h"

#include <cerrno>
#include <vector>

#include "platform/file_security.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "util/diagnostics.h"
#include "util/files.h"

namespace zeph {
namespace {

// Where the last separator of `path` is; npos when it has none.
size_t LastSeparator(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (platform::IsPathSeparator(path[i - 1])) return i - 1;
  }
  return std::string::npos;
}

std::string BaseName(const std::string& path) {
  return path.substr(LastSeparator(path) + 1);
}

}  // namespace

std::string DirectoryOf(const std::string& path) {
  size_t slash = LastSeparator(path);
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

namespace {

std::string TempPathFor(const std::string& target, int pid) {
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
int TemporaryOwner(std::string_view name, std::string_view base) {
  std::string prefix = "." + std::string(base) + ".";
  if (name.size() <= prefix.size() + 4 || name.substr(0, prefix.size()) != prefix ||
      name.substr(name.size() - 4) != ".tmp") {
    return 0;
  }
  std::string_view middle = name.substr(prefix.size(), name.size() - prefix.size() - 4);
  std::string_view pid_text = middle.substr(0, middle.find('.'));
  if (pid_text.size() < middle.size() && !AllDigits(middle.substr(pid_text.size() + 1))) return 0;
  if (!AllDigits(pid_text) || pid_text.size() > 9) return 0;
  return static_cast<int>(std::stol(std::string(pid_text)));
}

}  // namespace

FileStamp FileStamp::Of(const platform::FileInfo& info) {
  FileStamp stamp;
  stamp.valid = true;
  stamp.dev = info.device;
  stamp.ino = info.id;
  stamp.size = info.size;
  stamp.mtime_ns = info.modified_ns;
  stamp.ctime_ns = info.changed_ns;
  return stamp;
}

bool FileStamp::operator==(const FileStamp& o) const {
  return valid && o.valid && dev == o.dev && ino == o.ino && size == o.size &&
         mtime_ns == o.mtime_ns && ctime_ns == o.ctime_ns;
}

FileStamp StampOfPath(const std::string& path) {
  platform::FileInfo info;
  if (!platform::StatPath(path, info)) return {};
  return FileStamp::Of(info);
}

std::string ResolveWriteTarget(const std::string& path) {
  std::string current = path;
  // The kernel's own limit on links in one lookup; a loop ends here and the
  // rename then fails with the system's reason.
  for (int hops = 0; hops < 40; ++hops) {
    platform::FileInfo info;
    if (!platform::StatLink(current, info) || info.kind != platform::FileKind::kSymlink) {
      return current;
    }
    std::string link;
    if (!platform::ReadSymbolicLink(current, link) || link.empty()) return current;
    current = platform::IsAbsolutePath(link) ? link : DirectoryOf(current) + "/" + link;
  }
  return current;
}

AtomicFile::AtomicFile(std::string path, unsigned new_file_mode)
    : path_(std::move(path)), new_file_mode_(new_file_mode) {}

AtomicFile::~AtomicFile() {
  if (!temp_.empty() && !committed_) {
    fd_.Reset();
    platform::RemoveFile(temp_);
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
  if (platform::StatPath(target_, original_)) {
    have_original_ = true;
    if (original_.links > 1) {
      Diagnose(target_ + " has " + std::to_string(original_.links) +
               " hard links; the rewrite replaces this name only, the other names keep the old "
               "content");
    }
  } else if (errno != ENOENT) {
    return Fail("cannot examine", target_);
  }
  // Nobody else may read the new bytes before the original's permissions
  // are in place: at most 0600, and never more than the original allows.
  unsigned mode = have_original_ ? (original_.mode & kNewFileMode) : kNewFileMode;
  temp_ = TempPathFor(target_, platform::CurrentProcessId());
  for (int attempt = 0; attempt < 2; ++attempt) {
    fd_.Reset(platform::OpenFile(
        temp_, platform::kWrite | platform::kCreate | platform::kExclusive | platform::kNoFollow,
        mode));
    if (fd_.Valid()) return true;
    // A leftover of a dead process that had our pid; nobody else uses it.
    if (errno != EEXIST || !platform::RemoveFile(temp_)) break;
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

bool AtomicFile::Commit(FileStamp* stamp) {
  if (stamp != nullptr) *stamp = {};
  if (have_original_) {
    std::vector<platform::SecurityProblem> problems;
    platform::CarryOverSecurity(target_, original_, fd_.Get(), problems);
    for (const platform::SecurityProblem& problem : problems) {
      const std::string& about = problem.of_replacement ? temp_ : target_;
      if (!problem.fatal) {
        DiagnoseSystemError(problem.what, about, problem.error);
        continue;
      }
      errno = problem.error;
      return Fail(problem.what.c_str(), about);
    }
  } else if (!platform::SetNewFileMode(fd_.Get(), new_file_mode_)) {
    return Fail("cannot set mode", temp_);
  }
  if (!platform::SyncFile(fd_.Get())) return Fail("cannot write", target_);
  platform::FileInfo written;
  if (!platform::StatFile(fd_.Get(), written)) return Fail("cannot examine", temp_);
  if (!fd_.Close()) return Fail("cannot write", target_);
  if (!platform::ReplaceByRename(temp_, target_)) return Fail("cannot replace", target_);
  committed_ = true;
  // Makes the rename itself durable.
  if (!platform::SyncDirectoryOf(target_)) {
    DiagnoseSystemError("cannot sync directory of", target_, errno);
  }
  if (stamp != nullptr) {
    // The rename changed the ctime; anything else means another writer.
    FileStamp now = StampOfPath(target_);
    FileStamp ours = FileStamp::Of(written);
    if (now.valid && now.ino == ours.ino && now.dev == ours.dev && now.size == ours.size &&
        now.mtime_ns == ours.mtime_ns) {
      *stamp = now;
    }
  }
  return true;
}

void RemoveStaleTemporaries(const std::string& path) {
  std::string target = ResolveWriteTarget(path);
  std::string dir = DirectoryOf(target);
  std::string base = BaseName(target);
  std::vector<std::string> names;
  if (!platform::ListDirectory(dir, names)) return;  // the write itself reports a bad directory
  std::vector<std::string> stale;
  for (const std::string& name : names) {
    const int pid = TemporaryOwner(name, base);
    if (pid > 0 && pid != platform::CurrentProcessId() && platform::ProcessIsGone(pid)) {
      stale.push_back(name);
    }
  }
  for (const std::string& name : stale) {
    std::string file = dir + platform::kPathSeparator + name;
    if (platform::RemoveFile(file)) {
      Diagnose("removed " + file + ", left over by a run that ended during a rewrite");
    } else if (errno != ENOENT) {
      DiagnoseSystemError("cannot remove leftover temporary file", file, errno);
    }
  }
}

}  // namespace zeph
