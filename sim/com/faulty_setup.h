// Windows only. The configuration server of merkan_sim_faulty.idl: an
// object that tells what it offers (IDispatch with the type information of
// that library) and does nothing, for the check's report of a host that
// does not fit. It is no server of the simulator's core: making one leaves
// no journal line.
#pragma once

#include "automation.h"

namespace sim::com {

// One reference to a new object as `iid`.
HRESULT CreateFaultySetup(REFIID iid, void** out);

}  // namespace sim::com
