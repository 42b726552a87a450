// The plan of a run: for the given switches, which tasks run for which
// entry, in the order the program runs them.
#pragma once

#include <ostream>
#include <vector>

#include "config/server_list.h"
#include "driver/switches.h"

namespace zeph {

struct PlannedTask {
  size_t entry;  // index into the entries
  size_t row;    // index into DispatchTable()
};

std::vector<PlannedTask> PlanRun(const SwitchFlags& flags,
                                 const std::vector<TSerwerInformacje>& entries);

// "plan: ..." lines, UTF-8. `load_fails`: the run would stop before its
// first task.
void PrintPlan(std::ostream& out, const SwitchFlags& flags,
               const std::vector<TSerwerInformacje>& entries, const std::vector<PlannedTask>& plan,
               bool load_fails);

}  // namespace zeph
