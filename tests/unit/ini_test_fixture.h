// The fixture of the INI file tests: a fresh directory, what is in it and
// the state of serwery.ini there.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace zeph {

class IniTest : public TempDirTest {
 protected:
  std::vector<std::string> DirEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
  struct stat Stat() const {
    struct stat st {};
    ::stat(path_.c_str(), &st);
    return st;
  }
};

}  // namespace zeph
