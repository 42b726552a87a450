#include "tasks/tpp_exchange.h"

namespace zeph {

bool RunTppExchange(TaskContext& context, TSerwerInformacje& entry) {
  (void)context;
  (void)entry;
  return false;
}

}  // namespace zeph
