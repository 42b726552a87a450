// Seven-step exchange with TPP (/TPP): every step isolated.
#pragma once

#include "config/server_list.h"
#include "tasks/task_context.h"

namespace zeph {

bool RunTppExchange(TaskContext& context, TSerwerInformacje& entry);

}  // namespace zeph
