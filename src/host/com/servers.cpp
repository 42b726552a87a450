#include "host/com_servers.h"

#include "host/com/host_library.h"
#include "host/library_objects.h"

namespace zeph {

bool HasComServers() {
  return true;
}

HostStatus CreateComObject(ClassId id, const std::u16string& progid, ObjectRef* object) {
  ZephObject* handle = nullptr;
  HostStatus made = CreateComServer(progid, &handle);
  if (made.Failed()) return made;
  ObjectRef wrapped;
  made = WrapLibraryObject(ComServersLibrary(), id, handle, &wrapped);
  if (made.Failed()) return made;
  if (object != nullptr) *object = std::move(wrapped);
  return HostStatus::Ok();
}

}  // namespace zeph
