// Invoice export to the document system (/EFED) with its error-log file and mail.
#pragma once

#include "config/server_list.h"
#include "tasks/task_context.h"

namespace zeph {

bool RunInvoiceExport(TaskContext& context, TSerwerInformacje& entry);

}  // namespace zeph
