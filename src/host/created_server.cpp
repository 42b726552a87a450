#include "host/created_server.h"

namespace zeph {

const char* LibraryFileName(ClassId id) {
  switch (id) {
    case ClassId::Invoices:
      return "Invoices.dll";
    case ClassId::EksportTessaro:
      return "Eksport_tessaro.dll";
    default:
      return ClassName(id);
  }
}

}  // namespace zeph
