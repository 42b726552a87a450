// Print-centre export (/PH) with its module and right checks.
#pragma once

#include "config/server_list.h"
#include "tasks/task_context.h"

namespace zeph {

bool RunPrintHubExport(TaskContext& context, TSerwerInformacje& entry);

}  // namespace zeph
