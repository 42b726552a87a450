// One loaded host library: its C table, checked for the interface version
// this program speaks, and the conversions of what crosses its boundary.
#pragma once

#include <string>

#include "host/host_api.h"
#include "host/zeph_host.h"

namespace zeph {

class HostLibrary {
 public:
  // Loads the library (once per process; it is never unloaded) and checks
  // its interface version. Failures name the library: the loader's reason, a
  // missing entry point, or both interface versions.
  static HostStatus Load(const std::string& path, const HostLibrary** out);
  // A table built into the program (the COM servers on Windows), kept as a
  // loaded library named `name`.
  static const HostLibrary* Adopt(const std::string& name, const ZephHostLibrary* table);

  const std::string& Path() const { return path_; }
  const ZephHostLibrary& Table() const { return *table_; }
  // Whether the library has a function table for the class.
  bool Serves(ClassId id) const;

  // The status as the program's, giving the description back to the library.
  HostStatus TakeStatus(ZephStatus& status) const;
  // The text as the program's, giving it back to the library.
  WideString TakeString(ZephString& text) const;

 private:
  HostLibrary(std::string path, const ZephHostLibrary* table)
      : path_(std::move(path)), table_(table) {}

  std::string path_;
  const ZephHostLibrary* table_;
};

// A text borrowed by the library for one call.
inline ZephText BorrowText(const WideString& text) {
  return {reinterpret_cast<const uint16_t*>(text.data()), text.size()};
}

}  // namespace zeph
