#include "platform/other_readers.h"

#include <sys/stat.h>

#include <cstdio>

namespace zeph::platform {

bool FindOtherReaders(const std::string& path, OtherReaders& out) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  out = OtherReaders();
  if ((st.st_mode & (S_IRGRP | S_IROTH)) == 0) return true;
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
  out.who = (st.st_mode & S_IROTH) != 0 ? "all users" : "its group";
  out.because = std::string("mode ") + mode;
  out.remedy = "chmod 600 " + path;
  return true;
}

}  // namespace zeph::platform
