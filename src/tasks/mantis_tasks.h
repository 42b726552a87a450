// Mantis and Mantis_EC master-data exports: one Stock operation serving
// three selections.
#pragma once

#include "config/server_list.h"
#include "tasks/task_context.h"

namespace zeph {

enum class MantisTarget { Mantis, MantisEc };

// Exactly one selection is true when the dispatcher calls it.
bool RunMantisExport(TaskContext& context, TSerwerInformacje& entry, MantisTarget target,
                     bool suppliers, bool customers, bool goods_base);

}  // namespace zeph
