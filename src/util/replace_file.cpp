#include "util/replace_file.h"

#include "util/atomic_file.h"

namespace zeph {

int ReplaceFile(const std::string& path, std::string_view bytes, unsigned mode) {
  AtomicFile file(path, mode);
  if (file.Open() && file.Write(bytes) && file.Commit(nullptr)) return 0;
  return file.Error();
}

}  // namespace zeph
