// Creates the host's in-process servers by class name from the host
// libraries that components.ini (beside the executable) lists.
#pragma once

#include <string>

#include "host/host_api.h"

namespace zeph {

class ComponentRuntime {
 public:
  // Sets the directory of components.ini; relative library paths are taken
  // against it too. The registry is read at the first creation after this,
  // and only then: once per run.
  static void Configure(const std::string& executable_directory);

  // Makes one object of the class. Failures: "Class not registered" for a
  // missing file, key or value; a text naming the library when it cannot be
  // loaded, lacks the entry point, or was built for another interface
  // version (both versions named); a registry that cannot be read, named
  // with the reason; otherwise whatever the library's creation reported.
  static HostStatus Create(ClassId id, ObjectRef* object);

  // What Create would do short of making an object: finds the class's
  // library in components.ini (its path in `library`, empty when the class
  // is not listed), loads it and resolves its factory. Fails as Create does.
  static HostStatus CheckClass(ClassId id, std::string* library);
};

}  // namespace zeph
