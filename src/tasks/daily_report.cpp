#include "tasks/daily_report.h"

namespace zeph {

bool RunDailyReport(TaskContext& context, TSerwerInformacje& entry) {
  (void)context;
  (void)entry;
  return false;
}

}  // namespace zeph
