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

// How the errors found would meet the run.
struct RunOutcome {
  bool load_fails = false;  // it stops while loading serwery.ini, before any task
  bool mail_fails = false;  // its tasks run, and their mails fail
};

// "plan: ..." lines, UTF-8.
void PrintPlan(std::ostream& out, const SwitchFlags& flags,
               const std::vector<TSerwerInformacje>& entries, const std::vector<PlannedTask>& plan,
               const RunOutcome& outcome);

}  // namespace zeph
