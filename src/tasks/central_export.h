// Central export (/EK): current data, the closed month, bookkeeping and mail.
#pragma once

#include "config/server_list.h"
#include "tasks/task_context.h"

namespace zeph {

bool RunCentralExport(TaskContext& context, TSerwerInformacje& entry);

}  // namespace zeph
