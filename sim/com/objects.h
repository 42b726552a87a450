// Windows only. The COM objects of the simulated servers, one kind per
// flavour (docs/host-simulator.md), all built on ServerObject and the
// methods of methods.h.
#pragma once

#include "host/host_api.h"
#include "server_object.h"

namespace sim::com {

// A new object of `flavour` for `server` (any class), with one reference
// (the maker's); null when memory is short.
ServerObject* MakeObject(const zeph::ObjectRef& server, Flavour flavour);

}  // namespace sim::com
