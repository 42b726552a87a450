// The host's servers made through COM, on the systems that have it
// (Windows): a class components.ini names no library for is made by its
// ProgID and called by late binding. Elsewhere there is no COM, and every
// class needs its library (com_servers.cpp on Windows, no_com_servers.cpp
// elsewhere).
#pragma once

#include <string>

#include "host/host_api.h"

namespace zeph {

// Whether this system makes host servers through COM.
bool HasComServers();

// Makes one object of the class from the server registered under `progid`,
// wrapped as the objects of host libraries are. Fails as CreateComServer
// (com_host_library.h) does; where there is no COM, always.
HostStatus CreateComObject(ClassId id, const std::u16string& progid, ObjectRef* object);

}  // namespace zeph
