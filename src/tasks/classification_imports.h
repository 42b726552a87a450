// External classification imports (/KTI): the full import and the selected
// import.
#pragma once

#include "config/server_list.h"
#include "tasks/task_context.h"

namespace zeph {

// Every import in one login; the Payback definitions only when the host's
// MODUL_PAYBACK is on.
bool RunFullImport(TaskContext& context, TSerwerInformacje& entry);

// Only the selected imports, in their own order.
bool RunSelectedImport(TaskContext& context, TSerwerInformacje& entry, bool classifications,
                       bool payback, bool conversion_factors, bool investment_dictionaries,
                       bool graphics);

}  // namespace zeph
