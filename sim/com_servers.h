// Windows only. The simulated servers as late-bound COM objects: one
// IDispatch per server, the same for the same server, whose calls go to the
// server's methods (and so to the scenario and the journal) like the calls
// of the C interface.
#pragma once

#include <ole2.h>  // windows.h and the COM automation types

#include "host/host_api.h"

namespace sim::com {

// Servers and class factories alive: the library stays loaded while any is.
LONG LiveComObjects();
void CountComObject(LONG change);

// Makes a server of the class as the scenario says, as a COM object: one
// reference in *out. A failed creation leaves the scenario's text as the
// error information of the thread and returns E_FAIL.
HRESULT CreateComServer(zeph::ClassId id, IDispatch** out);

}  // namespace sim::com
