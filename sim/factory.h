// Creation of the simulator's creatable servers, as the scenario says.
#pragma once

#include <cstdint>

#include "host/host_api.h"

namespace sim {

// Makes one Setup, Invoices, EksportTessaro or ZephProc server, or fails
// with the scenario's creation status; any other class is not registered.
// Every creation is journaled.
zeph::HostStatus CreateServer(int32_t class_id, zeph::ObjectRef* object);

}  // namespace sim
