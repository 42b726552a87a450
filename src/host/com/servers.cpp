#include "host/com/call.h"
#include "host/com/host_library.h"
#include "host/com_servers.h"
#include "host/library_objects.h"
#include "util/encoding.h"

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

HostStatus DescribeComMethods(ClassId id, const std::u16string& progid,
                              const std::vector<std::string>& methods, ComClassReport* report) {
  const char* class_name = ClassName(id);
  std::vector<com::ContractMethod> contracts;
  for (const std::string& method : methods) {
    const com::ContractMethod* contract = com::FindContract(class_name, Utf8ToWide(method));
    if (contract != nullptr) contracts.push_back(*contract);
  }
  std::vector<com::MethodReport> reports;
  report->described = true;
  HostStatus described;
  if (id == ClassId::Setup || id == ClassId::Invoices || id == ClassId::EksportTessaro ||
      id == ClassId::ZephProc) {
    ZephObject* server = nullptr;
    HostStatus made = CreateComServer(progid, &server);
    if (made.Failed()) return made;
    if (!contracts.empty()) {
      described = com::DescribeMethods(server, class_name, contracts, &report->described, &reports);
    }
    ComServersLibrary().Table().release(server);
  } else if (!contracts.empty()) {
    described = com::DescribeNamedInterface(class_name, contracts, &reports);
  }
  if (described.Failed()) {
    report->problem = WideToUtf8(described.description);
    return HostStatus::Ok();
  }
  for (const com::MethodReport& found : reports) {
    ComMethodFinding finding;
    finding.method = WideToUtf8(found.method);
    if (!found.found) {
      finding.state = ComMethodFinding::State::kMissing;
    } else if (!found.failure.empty()) {
      finding.state = ComMethodFinding::State::kUnfit;
      finding.detail = WideToUtf8(found.failure);
    } else {
      finding.state = ComMethodFinding::State::kFound;
      if (report->described) finding.detail = WideToUtf8(com::DeclarationText(found.declaration));
    }
    report->methods.push_back(std::move(finding));
  }
  return HostStatus::Ok();
}

}  // namespace zeph
