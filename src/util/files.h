// File-system routines: appending to a file without sharing, directories,
// the executable's own directory.
#pragma once

#include <string>
#include <string_view>

namespace zeph {

// Writes all of `bytes`, retrying after EINTR and partial writes. On failure
// returns false with errno set.
bool WriteAll(int fd, std::string_view bytes);

// Appends the bytes of `text` to `path`, creating the file when it is missing.
// The file is locked exclusively while open. Throws Exception
// "Cannot open file "%s". %s" or "Cannot create file "%s". %s".
void AppendTextToFile(std::string_view text, const std::string& path);

// Writes `bytes` to `path`, replacing any file of that name.
void WriteWholeFile(const std::string& path, std::string_view bytes);

bool DirectoryExists(const std::string& path);
bool FileExists(const std::string& path);
// Creates `path` with all missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string& path);

// Adds the path delimiter at the end when it is missing.
std::string IncludeTrailingPathDelimiter(const std::string& path);

// Directory of the running executable, resolved through the kernel, with a
// trailing delimiter.
std::string ExecutableDirectory();

}  // namespace zeph
