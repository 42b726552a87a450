// The invoicing server, created by the program and registered with its
// configuration server.
#include "call.h"
#include "servers.h"
#include "sim_text.h"

namespace sim {

InvoicesServer::InvoicesServer() : Server(zeph::ClassId::Invoices, nullptr) {}

HostStatus InvoicesServer::SetConfiguration(zeph::ISetup* configuration) {
  FollowConfiguration(configuration);
  return Call(*this, "SetConfiguration").Object(configuration).Plain();
}

HostStatus InvoicesServer::Finish() {
  return Call(*this, "Finish").Plain();
}

HostStatus InvoicesServer::ImportEInvoicesToStagingArea(int32_t arg1, int32_t arg2,
                                                        WideString* message, WordBool* success) {
  return Call(*this, "ImportEInvoicesToStagingArea")
      .Arg(arg1)
      .Arg(arg2)
      .MessageFlag(message, success);
}

HostStatus InvoicesServer::FiscalizeInStationPool(WideString* message, WordBool* success) {
  return Call(*this, "FiscalizeInStationPool").MessageFlag(message, success);
}

HostStatus InvoicesServer::ImportEArchiveDocumentsToStagingArea(int32_t arg1, int32_t arg2,
                                                                WideString* message,
                                                                WordBool* success) {
  return Call(*this, "ImportEArchiveDocumentsToStagingArea")
      .Arg(arg1)
      .Arg(arg2)
      .MessageFlag(message, success);
}

HostStatus InvoicesServer::ImportReceiptsFromStagingArea() {
  return Call(*this, "ImportReceiptsFromStagingArea").Plain();
}

HostStatus InvoicesServer::ExportInvoicesToEDokumenty(WideString* message, int32_t* error_count,
                                                      WideString* details) {
  Call call(*this, "ExportInvoicesToEDokumenty");
  if (call.Failed()) return call.Done();
  if (message != nullptr) {
    const std::string* given = call.Value("Message");
    bool outcome_text = call.outcome().kind != Outcome::Kind::kOk;
    *message = ToWide(outcome_text ? call.outcome().text : given ? *given : std::string());
  }
  if (error_count != nullptr) {
    const std::string* given = call.Value("ErrorCount");
    *error_count = given ? ParseInteger(*given).value_or(0) : 0;
  }
  if (details != nullptr) {
    const std::string* given = call.Value("Details");
    *details = given ? ToWide(*given) : WideString();
  }
  return call.Done();
}

}  // namespace sim
