// Files the simulated servers write into directories the program names.
// Paths are UTF-8 here and Windows-1250 bytes on disk, as the program has them.
#pragma once

#include <string>
#include <string_view>

namespace sim {

// The directory as a path prefix ending in '/', created with its parents
// when missing; empty when it cannot be made. A trailing backslash, as the
// program's working directories may carry, is taken as a delimiter when the
// directory without it exists.
std::string PrepareDirectory(const std::string& directory);

// Writes the whole file, replacing an existing one; false on failure.
bool WriteTextFile(const std::string& path, std::string_view content);

// `name` usable as one file-name component ('/' and '\' replaced).
std::string FileNamePart(std::string_view name);

}  // namespace sim
