// The warehouse-module tasks: one Stock operation each.
#pragma once

#include "config/server_list.h"
#include "driver/switches.h"
#include "tasks/task_context.h"

namespace zeph {

// Runs the Stock task of the switch (/WDS, /BTKX, /WZKX, /GE, ... /RISM).
bool RunStockTask(TaskContext& context, TSerwerInformacje& entry, Switch task);

}  // namespace zeph
