// Creates the host's in-process servers by class name from the host
// libraries that components.ini (beside the executable) lists.
#pragma once

#include <string>

#include "host/host_api.h"

namespace zeph {

class HostLibrary;

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
  // is not listed), loads it, checks its interface version and that it
  // serves the class. Fails as Create does.
  static HostStatus CheckClass(ClassId id, std::string* library);

  // Whether the class's servers are made through COM (HasComServers():
  // Windows), that is, components.ini names no library for it in
  // [InprocServers]; its ProgID in `progid`: the one [ProgIDs] gives, else
  // the class name. Elsewhere: never.
  static bool ThroughCom(ClassId id, WideString* progid);

 private:
  // The class's library from the registry, loaded; its path in `path`.
  static HostStatus Load(ClassId id, std::string* path, const HostLibrary** library);
};

}  // namespace zeph
