// The host's servers made through COM, on the systems that have it
// (Windows): a class components.ini names no library for is made by its
// ProgID and called as its type library declares it. Elsewhere there is no
// COM, and every class needs its library (com/servers.cpp on Windows,
// no_com_servers.cpp elsewhere).
#pragma once

#include <string>
#include <vector>

#include "host/host_api.h"

namespace zeph {

// Whether this system makes host servers through COM.
bool HasComServers();

// Makes one object of the class from the server registered under `progid`,
// wrapped as the objects of host libraries are. Fails as CreateComServer
// (com/host_library.h) does; where there is no COM, always.
HostStatus CreateComObject(ClassId id, const std::u16string& progid, ObjectRef* object);

// How a class's server declares one host method (UTF-8 texts).
struct ComMethodFinding {
  enum class State { kFound, kMissing, kUnfit };
  std::string method;
  State state = State::kMissing;
  std::string detail;  // found: the declaration; unfit: why no conversion fits
};
struct ComClassReport {
  bool described = false;  // false: no type information; methods looked up by name only
  std::string problem;     // why the methods could not be looked up at all
  std::vector<ComMethodFinding> methods;
};

// For the check: how the servers of the class declare `methods`. A class
// the program makes is made from `progid` (once); a module server, which
// only the configuration server hands out, is looked up by name (I<Class>,
// <Class>) in the type libraries of the servers made before. Fails only
// when the server cannot be made, as CreateComObject does.
HostStatus DescribeComMethods(ClassId id, const std::u16string& progid,
                              const std::vector<std::string>& methods, ComClassReport* report);

}  // namespace zeph
