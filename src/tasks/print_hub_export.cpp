#include "tasks/print_hub_export.h"

namespace zeph {

bool RunPrintHubExport(TaskContext& context, TSerwerInformacje& entry) {
  (void)context;
  (void)entry;
  return false;
}

}  // namespace zeph
