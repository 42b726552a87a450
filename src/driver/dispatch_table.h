// The fixed order of work for one entry: 48 rows, each gated by its switch
// and its enable value.
#pragma once

#include <vector>

#include "config/server_list.h"
#include "driver/switches.h"
#include "tasks/task_context.h"

namespace zeph {

using TaskEntry = void (*)(TaskContext& context, TSerwerInformacje& entry);

struct DispatchRow {
  Switch task;
  Enable enable;
  bool only_without_full_import;  // runs only when ImportKlasTowZewn is zero
  TaskEntry run;
};

const std::vector<DispatchRow>& DispatchTable();

// Whether the row runs for the entry under the given switches.
bool RowApplies(const DispatchRow& row, const SwitchFlags& flags, const TSerwerInformacje& entry);

// The requested task switches that no row applies to for any of the entries:
// they run nothing (an enable key left off, or misspelt in serwery.ini).
// The help switch is no task and never among them.
std::vector<Switch> UnusedSwitches(const SwitchFlags& flags,
                                   const std::vector<TSerwerInformacje>& entries);

}  // namespace zeph
