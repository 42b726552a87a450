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

// For the check: how the servers of the class declare `methods`. A class
// the program makes is made from `progid`; a module server, which only the
// configuration server hands out, is looked up by name (I<Class>, <Class>)
// in the type libraries of the servers made before. `described` is false
// when there is no type information: the methods are then only looked up
// by name. Fails when the server cannot be made or its interface is found
// nowhere.
HostStatus DescribeComMethods(ClassId id, const std::u16string& progid,
                              const std::vector<std::string>& methods, bool* described,
                              std::vector<ComMethodFinding>* findings);

}  // namespace zeph
