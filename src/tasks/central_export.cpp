#include "tasks/central_export.h"

namespace zeph {

bool RunCentralExport(TaskContext& context, TSerwerInformacje& entry) {
  (void)context;
  (void)entry;
  return false;
}

}  // namespace zeph
