#include "host/com_servers.h"

namespace zeph {

bool HasComServers() {
  return false;
}

// Never asked for: ComponentRuntime makes nothing through COM here.
HostStatus CreateComObject(ClassId, const std::u16string&, ObjectRef* object) {
  if (object != nullptr) object->reset();
  return HostStatus::Fail(u"Class not registered");
}

HostStatus DescribeComMethods(ClassId, const std::u16string&, const std::vector<std::string>&,
                              ComClassReport*) {
  return HostStatus::Fail(u"Class not registered");
}

}  // namespace zeph
