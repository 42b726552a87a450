#include "tasks/ambro_exchange.h"

namespace zeph {

bool RunAmbroExchange(TaskContext& context, TSerwerInformacje& entry) {
  (void)context;
  (void)entry;
  return false;
}

}  // namespace zeph
