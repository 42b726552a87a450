// Replacing a file's content atomically: a temporary file beside the target,
// readable by nobody else while the bytes go in, given the original's owner,
// extended attributes (its ACL among them) and mode, synced, and renamed over
// the target. Readers see the old content or the new one, never a mix.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file.h"
#include "util/unique_fd.h"

namespace zeph {

// What identifies one state of a file on disk cheaply: a rewrite (new
// inode), an edit in place (size, mtime) and a metadata change (ctime) all
// change it.
struct FileStamp {
  bool valid = false;
  uint64_t dev = 0;
  uint64_t ino = 0;
  int64_t size = 0;
  int64_t mtime_ns = 0;
  int64_t ctime_ns = 0;

  static FileStamp Of(const platform::FileInfo& info);
  bool operator==(const FileStamp& other) const;
};

// The stamp of the file at `path` (symlinks followed); invalid when it
// cannot be stat'ed.
FileStamp StampOfPath(const std::string& path);

// The directory holding `path` ("." for a bare name), by either separator
// on Windows.
std::string DirectoryOf(const std::string& path);

// The file a write to `path` must replace: symbolic links are followed, a
// dangling one to the file it names (which is then created).
std::string ResolveWriteTarget(const std::string& path);

// Mode of a file the program creates: it holds passwords.
constexpr unsigned kNewFileMode = 0600;

// One atomic replacement. Open(), Write() as often as needed, Commit(). A
// step that fails returns false; Failure() and Error() then say what and
// why, and the temporary file is removed when the object goes.
class AtomicFile {
 public:
  // A file that does not exist yet is created with `new_file_mode`.
  explicit AtomicFile(std::string path, unsigned new_file_mode = kNewFileMode);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary file, mode 0600 or the original's if stricter.
  bool Open();
  bool Write(std::string_view bytes);
  bool Write(const std::vector<std::string_view>& pieces);
  // Owner, extended attributes and mode of the original (0600 for a new
  // file), fsync, rename over the target, sync of the directory. `stamp`
  // receives the stamp of the new file, invalid when another writer may
  // have touched it between the rename and the look at it.
  bool Commit(FileStamp* stamp);

  const std::string& Target() const { return target_; }
  const std::string& TempPath() const { return temp_; }
  // "cannot create temporary file", "cannot write", ... and the file it
  // concerns; with Error() ready for DiagnoseSystemError().
  const std::string& Failure() const { return failure_; }
  const std::string& FailurePath() const { return failure_path_; }
  int Error() const { return error_; }

 private:
  bool Fail(const char* what, const std::string& path);

  std::string path_;
  unsigned new_file_mode_;
  std::string target_;
  std::string temp_;
  UniqueFd fd_;
  bool have_original_ = false;
  platform::FileInfo original_;
  bool committed_ = false;
  std::string failure_;
  std::string failure_path_;
  int error_ = 0;
};

// Removes the temporary files that runs which died mid-rewrite left beside
// the file `path` resolves to: names ".<name>.<pid>.tmp" (and the older
// ".<name>.<pid>.<n>.tmp") whose process no longer exists. Each removal is
// reported on standard error. Call it while no other run can be writing.
void RemoveStaleTemporaries(const std::string& path);

}  // namespace zeph
