#include "tasks/created_server.h"

namespace zeph {

const char* LibraryFileName(host::ClassId id) {
  switch (id) {
    case host::ClassId::Invoices:
      return "Invoices.dll";
    case host::ClassId::EksportTessaro:
      return "Eksport_tessaro.dll";
    default:
      return host::ClassName(id);
  }
}

}  // namespace zeph
