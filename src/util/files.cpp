#include "util/files.h"

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/error_text.h"
#include "platform/file.h"
#include "platform/file_lock.h"
#include "platform/file_system.h"
#include "util/diagnostics.h"
#include "util/error.h"
#include "util/unique_fd.h"

namespace zeph {

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& reason) {
  UniqueFd fd(platform::OpenFile(path, platform::kRead));
  if (!fd) {
    reason = platform::ErrorText(errno);
    return false;
  }
  char buffer[65536];
  for (;;) {
    const int64_t n = platform::ReadSome(fd.Get(), buffer, sizeof buffer);
    if (n < 0) {
      reason = platform::ErrorText(errno);
      return false;
    }
    if (n == 0) return true;
    bytes.append(buffer, static_cast<size_t>(n));
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const int64_t n = platform::WriteSome(fd, bytes.data(), bytes.size());
    if (n < 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool WriteAll(int fd, const std::vector<std::string_view>& pieces) {
  std::vector<platform::Piece> batch;
  const size_t most = platform::MaxGatheredPieces();
  size_t next = 0;  // the first piece not yet in a batch
  while (next < pieces.size() || !batch.empty()) {
    while (next < pieces.size() && batch.size() < most) {
      std::string_view piece = pieces[next++];
      batch.push_back({piece.data(), piece.size()});
    }
    const int64_t n = platform::WriteGathered(fd, batch.data(), batch.size());
    if (n < 0) return false;
    // Drops what was written: whole pieces, then the front of the next one.
    size_t done = static_cast<size_t>(n);
    size_t whole = 0;
    while (whole < batch.size() && done >= batch[whole].size) done -= batch[whole++].size;
    batch.erase(batch.begin(), batch.begin() + static_cast<ptrdiff_t>(whole));
    if (!batch.empty()) {
      batch.front().data += done;
      batch.front().size -= done;
    }
  }
  return true;
}

namespace {

// How long a log held by another process is waited for, and how often it is
// tried again meanwhile. Writers hold it for one append only.
constexpr std::chrono::milliseconds kLockWait{5000};
constexpr std::chrono::milliseconds kLockRetry{20};

// Opens `path` for appending, creating it when missing (`created`). A
// dangling symlink is followed and its target created. Read access is asked
// for so that the last byte can be checked; a file we may only write is
// still appended to.
UniqueFd OpenForAppend(const std::string& path, bool& readable, bool& created) {
  readable = true;
  created = false;
  namespace os = platform;
  UniqueFd fd(os::OpenFile(path, os::kRead | os::kWrite | os::kAppend));
  if (!fd && errno == EACCES) {
    readable = false;
    fd.Reset(os::OpenFile(path, os::kWrite | os::kAppend));
  }
  if (!fd && errno == ENOENT) {
    fd.Reset(os::OpenFile(path, os::kRead | os::kWrite | os::kAppend | os::kCreate, 0644));
    created = fd.Valid();
    if (!fd) {
      const int error = errno;
      DiagnoseSystemError("cannot create", path, error);
      throw Exception("Cannot create file \"" + path + "\". " + platform::ErrorText(error));
    }
  }
  if (!fd) {
    const int error = errno;
    DiagnoseSystemError("cannot open", path, error);
    throw Exception("Cannot open file \"" + path + "\". " + platform::ErrorText(error));
  }
  return fd;
}

// True when `fd` is still the file named `path` (it was not renamed away,
// e.g. by log rotation, between the open and the lock).
bool StillNamed(int fd, const std::string& path) {
  platform::FileInfo open_file;
  platform::FileInfo named;
  return platform::StatFile(fd, open_file) && platform::StatPath(path, named) &&
         open_file.device == named.device && open_file.id == named.id;
}

// Takes the exclusive lock, waiting a bounded time for another holder.
bool LockExclusive(int fd, int& error) {
  const auto deadline = std::chrono::steady_clock::now() + kLockWait;
  for (;;) {
    error = platform::TryLockFile(fd);
    if (error == 0) return true;
    if (error != EWOULDBLOCK) return false;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kLockRetry);
  }
}

// The line end a file of `size` bytes needs before a new block: none when it
// ends with one (or is empty), else what completes its torn last line.
std::string_view MissingLineEnd(int fd, int64_t size, bool readable) {
  if (size == 0 || !readable) return {};
  char last = '\n';
  if (platform::ReadAt(fd, &last, 1, size - 1) != 1) return {};
  if (last == '\n') return {};
  return last == '\r' ? std::string_view("\n") : std::string_view("\r\n");
}

}  // namespace

void AppendTextToFile(std::string_view text, const std::string& path) {
  UniqueFd fd;
  for (;;) {
    bool readable = true;
    bool created = false;
    fd = OpenForAppend(path, readable, created);
    // The file is not shared while we append: another writer waits for us,
    // and we wait a bounded time for it, so lines never interleave.
    int error = 0;
    if (!LockExclusive(fd.Get(), error)) {
      DiagnoseSystemError("cannot lock", path, error);
      throw Exception("Cannot open file \"" + path + "\". " + platform::ErrorText(error));
    }
    if (!StillNamed(fd.Get(), path)) continue;  // replaced meanwhile: open the new one

    platform::FileInfo st;
    if (!platform::StatFile(fd.Get(), st)) {
      error = errno;
      DiagnoseSystemError("cannot read the size of", path, error);
      throw Exception("Cannot open file \"" + path + "\". " + platform::ErrorText(error));
    }
    // A block is appended whole or not at all: after a short write the file
    // is cut back to its length before the append.
    const std::string_view line_end = MissingLineEnd(fd.Get(), st.size, readable);
    std::string repaired;
    std::string_view bytes = text;
    if (!line_end.empty() && !text.empty()) {
      repaired.reserve(line_end.size() + text.size());
      repaired.append(line_end).append(text);
      bytes = repaired;
    }
    if (!WriteAll(fd.Get(), bytes)) {
      error = errno;
      DiagnoseSystemError("cannot append to", path, error);
      if (!platform::TruncateFile(fd.Get(), st.size)) {
        DiagnoseSystemError("cannot remove a partly written block from", path, errno);
      }
      throw Exception("Cannot write to file \"" + path + "\". " + platform::ErrorText(error));
    }
    if (!line_end.empty() && !text.empty()) {
      Diagnose("the last line of " + path +
               " was incomplete; a line end was added before the new lines");
    }
    // The block is on the disk before the next one is appended: two blocks
    // in one flush window may reach it in either order, and a power cut
    // would then leave zeros in the middle of the file. A new file's name
    // is made durable with it. The bytes were accepted: a late error of the
    // file system is told to the operator but does not end the run.
    if (!platform::SyncFile(fd.Get())) DiagnoseSystemError("cannot flush to disk", path, errno);
    if (created) {
      // The directory that holds the new name: a dangling symlink's target's.
      const std::string real = platform::ResolvedPath(path);
      if (!platform::SyncDirectoryOf(real.empty() ? path : real)) {
        DiagnoseSystemError("cannot sync the directory of", path, errno);
      }
    }
    if (!fd.Close()) DiagnoseSystemError("cannot close", path, errno);
    return;
  }
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
  UniqueFd fd(
      platform::OpenFile(path, platform::kWrite | platform::kCreate | platform::kTruncate, 0644));
  if (!fd) {
    const int error = errno;
    DiagnoseSystemError("cannot create", path, error);
    throw Exception("Cannot create file \"" + path + "\". " + platform::ErrorText(error));
  }
  if (!WriteAll(fd.Get(), bytes) || !fd.Close()) {
    const int error = errno;
    DiagnoseSystemError("cannot write", path, error);
    // A cut file must not pass for a whole one (it may be mailed on).
    fd.Reset();
    platform::RemoveFile(path);
    throw Exception("Cannot write to file \"" + path + "\". " + platform::ErrorText(error));
  }
}

bool DirectoryExists(const std::string& path) {
  platform::FileInfo info;
  return !path.empty() && platform::StatPath(path, info) &&
         info.kind == platform::FileKind::kDirectory;
}

bool FileExists(const std::string& path) {
  platform::FileInfo info;
  return !path.empty() && platform::StatPath(path, info) &&
         info.kind == platform::FileKind::kRegular;
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::string dir = path;
  while (dir.size() > 1 && platform::IsPathSeparator(dir.back())) dir.pop_back();
  if (DirectoryExists(dir)) return true;
  size_t slash = dir.size();
  while (slash > 0 && !platform::IsPathSeparator(dir[slash - 1])) --slash;
  if (slash > 1) ForceDirectories(dir.substr(0, slash - 1));
  if (platform::MakeDirectory(dir) || errno == EEXIST) return DirectoryExists(dir);
  return false;  // errno says why
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  if (!path.empty() && platform::IsPathSeparator(path.back())) return path;
  return path + platform::kPathSeparator;
}

std::string ExecutableDirectory() {
  const std::string exe = platform::ExecutablePath();
  size_t slash = exe.size();
  while (slash > 0 && !platform::IsPathSeparator(exe[slash - 1])) --slash;
  return slash == 0 ? "./" : exe.substr(0, slash);
}

}  // namespace zeph
