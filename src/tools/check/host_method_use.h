// Which host methods the planned tasks call, class by class: what the
// check asks of a host's COM servers.
#pragma once

#include <string>
#include <vector>

#include "driver/switches.h"
#include "host/host_api.h"

namespace zeph {

// The methods of `id` that tasks of the planned switches call, in the
// class's interface order.
std::vector<std::string> MethodsCalled(ClassId id, const SwitchFlags& planned);

// Whether a planned task gets a server of the class at all.
bool ClassUsed(ClassId id, const SwitchFlags& planned);

// The switches whose tasks call the class, in switch order; empty for the
// configuration server, which every task uses.
std::vector<Switch> SwitchesUsing(ClassId id);

}  // namespace zeph
