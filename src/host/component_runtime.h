// Creates the host's in-process servers by class name from the shared
// libraries that components.ini (beside the executable) lists.
#pragma once

#include <string>

#include "host/host_api.h"

namespace zeph {

class ComponentRuntime {
 public:
  // Sets the directory of components.ini; relative library paths are taken
  // against it too.
  static void Configure(const std::string& executable_directory);

  // Makes one object of the class. Failures: "Class not registered" for a
  // missing file, key or value; a text naming the library and the loader's
  // reason when it cannot be loaded or lacks the factory; otherwise whatever
  // the library's factory reported.
  static HostStatus Create(ClassId id, ObjectRef* object);
};

}  // namespace zeph
