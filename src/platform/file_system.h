// Names in the file system: directories, links, removal, the replacing
// rename, access checks and the running executable's path. Failures are
// false or empty with errno set, as in platform/file.h.
#pragma once

#include <string>
#include <vector>

namespace zeph::platform {

// The separators a path may use on this system ('/' everywhere, also '\'
// on Windows) and the one this system writes.
bool IsPathSeparator(char c);
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

bool MakeDirectory(const std::string& path);
bool RemoveFile(const std::string& path);
// Makes a private directory from `pattern` ending in "XXXXXX"; the created
// name, or empty with errno set.
std::string MakeTemporaryDirectory(const std::string& pattern);
// The names in `directory` without "." and "..".
bool ListDirectory(const std::string& directory, std::vector<std::string>& names);
// The target text of a symbolic link; false when `path` is none.
bool ReadSymbolicLink(const std::string& path, std::string& target);
// True for an absolute path (a leading '/'; on Windows also "C:\", "\\server").
bool IsAbsolutePath(const std::string& path);

// Renames `from` over `to`, replacing it in one step (on Windows written
// through to the disk before it returns).
bool ReplaceByRename(const std::string& from, const std::string& to);
// Makes the renames in the directory holding `path` durable (no step on
// Windows, where ReplaceByRename does it).
bool SyncDirectoryOf(const std::string& path);

// Whether the running process may read or write `path`.
bool CanRead(const std::string& path);
bool CanWrite(const std::string& path);

// The absolute path `path` names, links resolved; empty with errno set when
// it does not exist.
std::string ResolvedPath(const std::string& path);
// What a program file's name ends with on this system ("" or ".exe").
const char* ExecutableSuffix();

// Full path of the running executable; empty when the system cannot tell.
std::string ExecutablePath();

}  // namespace zeph::platform
