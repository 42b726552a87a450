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

}  // namespace zeph
