// File-system routines: appending to a file without sharing, directories,
// the executable's own directory.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeph {

// Appends the whole file at `path` to `bytes`; false with the system's
// reason (platform::ErrorText) when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& reason);

// Writes all of `bytes`, retrying after EINTR and partial writes. On failure
// returns false with errno set.
bool WriteAll(int fd, std::string_view bytes);
// The same for `pieces` in order, as few writev() calls as the system's limit
// on pieces a call allows.
bool WriteAll(int fd, const std::vector<std::string_view>& pieces);

// Appends the bytes of `text` to `path`, creating the file (or the target of
// a dangling symlink) when it is missing. The file is locked exclusively
// while open; a lock held by another process is waited for up to 5 seconds.
// The text is appended whole or not at all, after a line end when the file's
// last line lacks one, and flushed to the disk (fsync; a new file's
// directory too) before the call returns, so that text appended later never
// reaches the disk before it. Throws Exception "Cannot open file "%s". %s",
// "Cannot create file "%s". %s" or "Cannot write to file "%s". %s", and tells
// the operator the path and the system's reason on standard error; a failed
// flush or close is told there too, without an exception, as the data itself
// was written.
void AppendTextToFile(std::string_view text, const std::string& path);

// Writes `bytes` to `path`, replacing any file of that name. On failure no
// cut file is left behind and the reason goes to standard error.
void WriteWholeFile(const std::string& path, std::string_view bytes);

bool DirectoryExists(const std::string& path);
bool FileExists(const std::string& path);
// Creates `path` with all missing parents; true when it exists afterwards,
// otherwise false with errno set.
bool ForceDirectories(const std::string& path);

// Adds the path delimiter at the end when it is missing.
std::string IncludeTrailingPathDelimiter(const std::string& path);

// Directory of the running executable, resolved through the kernel, with a
// trailing delimiter.
std::string ExecutableDirectory();

}  // namespace zeph
