// Exchange with the Ambro application (/MHD) and its date bookkeeping.
#pragma once

#include "config/server_list.h"
#include "tasks/task_context.h"

namespace zeph {

bool RunAmbroExchange(TaskContext& context, TSerwerInformacje& entry);

}  // namespace zeph
