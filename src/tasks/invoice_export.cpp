#include "tasks/invoice_export.h"

namespace zeph {

bool RunInvoiceExport(TaskContext& context, TSerwerInformacje& entry) {
  (void)context;
  (void)entry;
  return false;
}

}  // namespace zeph
