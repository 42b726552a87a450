// Files through descriptors: opened in binary mode and never inherited by
// the programs this one starts. Paths are the program's own (Windows-1250)
// bytes. Every call reports failure the same way on every system: false or
// -1 with errno set, so that diagnostics and logged reasons read alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zeph::platform {

// How OpenFile opens a file; combine with |.
enum OpenFlag : unsigned {
  kRead = 1u << 0,
  kWrite = 1u << 1,
  kAppend = 1u << 2,     // every write goes to the end
  kCreate = 1u << 3,     // a missing file is created with `mode`
  kTruncate = 1u << 4,   // an existing file is emptied
  kExclusive = 1u << 5,  // with kCreate: fails with EEXIST when the name exists
  kNoFollow = 1u << 6,   // fails when the name is a symbolic link
};

// Returns a descriptor, or -1 with errno set. `mode` gives a new file's
// permission bits where the system has them.
int OpenFile(const std::string& path, unsigned flags, unsigned mode = 0644);
// Closes `fd`; false with errno set when the system reports a deferred
// write error.
bool CloseFile(int fd);

// Reads or writes at most `size` bytes at the current position (at the
// end for kAppend). Returns the count, or -1 with errno set.
int64_t ReadSome(int fd, void* buffer, size_t size);
int64_t WriteSome(int fd, const void* bytes, size_t size);
// Reads at most `size` bytes at `offset` without moving the position.
int64_t ReadAt(int fd, void* buffer, size_t size, int64_t offset);
// Writes `count` pieces in order in one call where the system can; returns
// the bytes written (possibly fewer) or -1 with errno set.
struct Piece {
  const char* data;
  size_t size;
};
int64_t WriteGathered(int fd, const Piece* pieces, size_t count);
// The most pieces one WriteGathered call takes.
size_t MaxGatheredPieces();

bool TruncateFile(int fd, int64_t size);
// Makes the file's data and size durable.
bool SyncFile(int fd);

// The standard streams as descriptors.
int StandardOutput();
int StandardError();

enum class FileKind { kMissing, kRegular, kDirectory, kSymlink, kOther };

// What the program looks at in a file. `device` and `id` identify the file
// (not its name); the times are in nanoseconds since 1970.
struct FileInfo {
  FileKind kind = FileKind::kMissing;
  int64_t size = 0;
  uint64_t device = 0;
  uint64_t id = 0;
  int64_t modified_ns = 0;
  int64_t changed_ns = 0;
  unsigned mode = 0;  // permission bits (07777); on Windows 0644 or 0444 (read-only)
  unsigned links = 1;
  uint32_t owner = 0;  // user and group ids; 0 on Windows
  uint32_t group = 0;
};

// Symbolic links followed; false with errno set.
bool StatPath(const std::string& path, FileInfo& info);
// The link itself when `path` names one.
bool StatLink(const std::string& path, FileInfo& info);
bool StatFile(int fd, FileInfo& info);

}  // namespace zeph::platform
