#include "sim_files.h"

#include <sys/stat.h>

#include <fstream>

namespace sim {
namespace {

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectories(const std::string& path) {
  if (path.empty() || IsDirectory(path)) return !path.empty();
  size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) MakeDirectories(path.substr(0, slash));
  ::mkdir(path.c_str(), 0777);
  return IsDirectory(path);
}

}  // namespace

std::string PrepareDirectory(const std::string& directory) {
  std::string dir = directory.empty() ? "." : directory;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (IsDirectory(dir)) return dir == "/" ? dir : dir + "/";
  if (dir.back() == '\\' && IsDirectory(dir.substr(0, dir.size() - 1))) {
    return dir.substr(0, dir.size() - 1) + "/";
  }
  return MakeDirectories(dir) ? dir + "/" : std::string();
}

bool WriteTextFile(const std::string& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
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
