#include "host/com_servers.h"

#include "host/com/call.h"
#include "host/com/host_library.h"
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
                              const std::vector<std::string>& methods, bool* described,
                              std::vector<ComMethodFinding>* findings) {
  const char* class_name = ClassName(id);
  std::vector<com::ContractMethod> contracts;
  for (const std::string& method : methods) {
    const com::ContractMethod* contract = com::FindContract(class_name, Utf8ToWide(method));
    if (contract != nullptr) contracts.push_back(*contract);
  }
  std::vector<com::MethodReport> reports;
  *described = true;
  HostStatus status;
  if (id == ClassId::Setup || id == ClassId::Invoices || id == ClassId::EksportTessaro ||
      id == ClassId::ZephProc) {
    ZephObject* server = nullptr;
    status = CreateComServer(progid, &server);
    if (status.Failed()) return status;
    status = com::DescribeMethods(server, class_name, contracts, described, &reports);
    ComServersLibrary().Table().release(server);
  } else {
    status = com::DescribeNamedInterface(class_name, contracts, &reports);
  }
  if (status.Failed()) return status;
  for (const com::MethodReport& report : reports) {
    ComMethodFinding finding;
    finding.method = WideToUtf8(report.method);
    if (!report.found) {
      finding.state = ComMethodFinding::State::kMissing;
    } else if (!report.failure.empty()) {
      finding.state = ComMethodFinding::State::kUnfit;
      finding.detail = WideToUtf8(report.failure);
    } else {
      finding.state = ComMethodFinding::State::kFound;
      if (*described) finding.detail = WideToUtf8(com::DeclarationText(report.declaration));
    }
    findings->push_back(std::move(finding));
  }
  return HostStatus::Ok();
}

}  // namespace zeph
