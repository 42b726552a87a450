// Daily report (/RD): report file in the working directory, mailed.
#pragma once

#include "config/server_list.h"
#include "tasks/task_context.h"

namespace zeph {

bool RunDailyReport(TaskContext& context, TSerwerInformacje& entry);

}  // namespace zeph
