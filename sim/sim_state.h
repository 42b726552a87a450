// Process-wide state of the simulator: where its files are, the scenario,
// and the numbering of objects per class.
#pragma once

#include <string>

#include "host/host_api.h"
#include "scenario.h"

namespace sim {

// The directory of host-sim.ini and host-sim.journal, with a trailing '/':
// the executable's, unless the environment variable ZEPH_SIM_DIR names
// another. ZEPH_SIM_DIR belongs to the simulator as test infrastructure (unit
// tests load the simulator into the test binary); the program itself reads
// no environment variables.
const std::string& SimDirectory();

// The scenario, read at first use.
Scenario& CurrentScenario();

// The journal, opened for appending at first use and kept open; -1 when it
// cannot be opened (reported once on standard error).
int JournalFd();

// Next number of an object of the class: 1, 2, ... within the process.
int NextObjectNumber(zeph::ClassId id);

// Forgets the scenario, call counts and object numbers and closes the
// journal; the next use reads ZEPH_SIM_DIR and host-sim.ini again. For tests, which run many
// scenarios in one process.
void ResetState();

}  // namespace sim
