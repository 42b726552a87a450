// Dictionary, report, invoicing and till tasks: one operation of the
// Lexicon, Report, Invoices or Till server each.
#pragma once

#include "config/server_list.h"
#include "driver/switches.h"
#include "tasks/task_context.h"

namespace zeph {

// Runs the task of the switch (/CSK, /ETDS, /HRCK, /HRCD, /DDM, /IEDP,
// /IDEADP, /FWPS, /IPARPOCZ, /FKIZ).
bool RunModuleTask(TaskContext& context, TSerwerInformacje& entry, Switch task);

}  // namespace zeph
