#include "tasks/xml_dictionaries.h"

namespace zeph {

bool RunDictionariesToXml(TaskContext& context, TSerwerInformacje& entry) {
  (void)context;
  (void)entry;
  return false;
}

}  // namespace zeph
