// Dictionaries to XML (/XML) through the processing server ZephProc.
#pragma once

#include "config/server_list.h"
#include "tasks/task_context.h"

namespace zeph {

bool RunDictionariesToXml(TaskContext& context, TSerwerInformacje& entry);

}  // namespace zeph
