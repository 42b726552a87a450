#include "sim_files.h"

#include <fstream>

#include "platform/file_system.h"
#include "util/encoding.h"
#include "util/files.h"

namespace sim {
namespace {

// The simulator's texts are UTF-8; the program names files by their
// Windows-1250 bytes, so the file system sees those.
bool IsDirectory(const std::string& path) {
  return zeph::DirectoryExists(zeph::Utf8ToAnsi(path));
}

bool MakeDirectories(const std::string& path) {
  return zeph::ForceDirectories(zeph::Utf8ToAnsi(path));
}

}  // namespace

std::string PrepareDirectory(const std::string& directory) {
  std::string dir = directory.empty() ? "." : directory;
  // On Windows a trailing '\\' ends a directory as '/' does.
  while (dir.size() > 1 && zeph::platform::IsPathSeparator(dir.back())) dir.pop_back();
  if (IsDirectory(dir)) return dir == "/" ? dir : dir + "/";
  if (dir.back() == '\\' && IsDirectory(dir.substr(0, dir.size() - 1))) {
    return dir.substr(0, dir.size() - 1) + "/";
  }
  return MakeDirectories(dir) ? dir + "/" : std::string();
}

bool WriteTextFile(const std::string& path, std::string_view content) {
  std::ofstream out(zeph::Utf8ToAnsi(path), std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  return !out.fail();
}

std::string FileNamePart(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c == '/' || c == '\\') c = '_';
  }
  return out;
}

}  // namespace sim
