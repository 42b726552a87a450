// The module servers other than Stock: Report, Report2, Lexicon, PrintHub
// and Till, and the factory the configuration server hands them out with.
#include "call.h"
#include "servers.h"
#include "sim_dates.h"
#include "sim_text.h"

namespace sim {

zeph::ObjectRef MakeModuleServer(zeph::ClassId id, const std::shared_ptr<Database>& db) {
  switch (id) {
    case zeph::ClassId::Stock:
      return std::make_shared<StockServer>(db);
    case zeph::ClassId::Report:
      return std::make_shared<ReportServer>(db);
    case zeph::ClassId::Report2:
      return std::make_shared<Report2Server>(db);
    case zeph::ClassId::Lexicon:
      return std::make_shared<LexiconServer>(db);
    case zeph::ClassId::PrintHub:
      return std::make_shared<PrintHubServer>(db);
    case zeph::ClassId::Till:
      return std::make_shared<TillServer>(db);
    default:
      return nullptr;
  }
}

ReportServer::ReportServer(std::shared_ptr<Database> db)
    : Server(zeph::ClassId::Report, std::move(db)) {}

HostStatus ReportServer::PrintInspectedIssueDocuments(int32_t arg, WideString* message,
                                                      WordBool* success) {
  return Call(*this, "PrintInspectedIssueDocuments").Arg(arg).MessageFlag(message, success);
}

HostStatus ReportServer::ExportInvoicePrintoutsToPrintHub(WordBool* flag) {
  return Call(*this, "ExportInvoicePrintoutsToPrintHub").Flag(flag);
}

Report2Server::Report2Server(std::shared_ptr<Database> db)
    : Server(zeph::ClassId::Report2, std::move(db)) {}

HostStatus Report2Server::CreateDailyReport(const WideString& configuration, zeph::OleDate moment,
                                            WideString* report, WideString* message,
                                            WordBool* success) {
  Call call(*this, "CreateDailyReport");
  call.Arg(configuration).Date(moment);
  if (call.Failed()) return call.Done();
  if (report != nullptr && call.outcome().kind != Outcome::Kind::kFalse) {
    const std::string* given = call.Value("Text");
    *report = given ? ToWide(*given)
                    : ToWide("Raport dzienny\r\nKonfiguracja: " + ToUtf8(configuration) +
                             "\r\nDzień: " + FormatDate(moment, "-") +
                             "\r\nBaza: " + database_->database + "\r\n");
  }
  return call.MessageFlag(message, success);
}

LexiconServer::LexiconServer(std::shared_ptr<Database> db)
    : Server(zeph::ClassId::Lexicon, std::move(db)) {}

HostStatus LexiconServer::SynchronizeWithCsk(int32_t arg, WideString* message, WordBool* success) {
  return Call(*this, "SynchronizeWithCsk").Arg(arg).MessageFlag(message, success);
}

HostStatus LexiconServer::ExportGoodsToPriceCheckers(int32_t arg1, int32_t arg2,
                                                     WideString* message, WordBool* second_flag,
                                                     WordBool* success) {
  Call call(*this, "ExportGoodsToPriceCheckers");
  call.Arg(arg1).Arg(arg2);
  if (call.Failed()) return call.Done();
  if (second_flag != nullptr) {
    const std::string* given = call.Value("SecondFlag");
    std::optional<bool> flag = given ? ParseFlag(*given) : std::nullopt;
    *second_flag = flag.value_or(true) ? zeph::kTrue : zeph::kFalse;
  }
  return call.MessageFlag(message, success);
}

HostStatus LexiconServer::ExportContractorsToHrc(int32_t arg, WideString* message,
                                                 WordBool* success) {
  return Call(*this, "ExportContractorsToHrc").Arg(arg).MessageFlag(message, success);
}

HostStatus LexiconServer::ImportStarterSalesFromHrc(int32_t arg, WideString* message,
                                                    WordBool* success) {
  return Call(*this, "ImportStarterSalesFromHrc").Arg(arg).MessageFlag(message, success);
}

HostStatus LexiconServer::ImportTppPrices(int32_t arg, WordBool* flag) {
  return Call(*this, "ImportTppPrices").Arg(arg).Flag(flag);
}

HostStatus LexiconServer::ExportGoodsToTpp(int32_t arg, WordBool* flag) {
  return Call(*this, "ExportGoodsToTpp").Arg(arg).Flag(flag);
}

HostStatus LexiconServer::ExportContractorsToTpp(int32_t arg, WordBool* flag) {
  return Call(*this, "ExportContractorsToTpp").Arg(arg).Flag(flag);
}

HostStatus LexiconServer::ImportExternalClassifications(int32_t arg) {
  return Call(*this, "ImportExternalClassifications").Arg(arg).Plain();
}

HostStatus LexiconServer::ImportExternalPaybackDefinitions(int32_t arg) {
  return Call(*this, "ImportExternalPaybackDefinitions").Arg(arg).Plain();
}

HostStatus LexiconServer::ImportExternalConversionFactors(int32_t arg) {
  return Call(*this, "ImportExternalConversionFactors").Arg(arg).Plain();
}

HostStatus LexiconServer::ImportExternalInvestmentDictionaries(int32_t arg) {
  return Call(*this, "ImportExternalInvestmentDictionaries").Arg(arg).Plain();
}

HostStatus LexiconServer::ImportFiscalPrinterGraphics(int32_t arg) {
  return Call(*this, "ImportFiscalPrinterGraphics").Arg(arg).Plain();
}

PrintHubServer::PrintHubServer(std::shared_ptr<Database> db)
    : Server(zeph::ClassId::PrintHub, std::move(db)) {}

HostStatus PrintHubServer::CopyPrintoutImagesToImageDatabase(WideString* message,
                                                             WordBool* success) {
  return Call(*this, "CopyPrintoutImagesToImageDatabase").MessageFlag(message, success);
}

HostStatus PrintHubServer::ProcessSeparateImageDatabase(WideString* message, WordBool* success) {
  return Call(*this, "ProcessSeparateImageDatabase").MessageFlag(message, success);
}

TillServer::TillServer(std::shared_ptr<Database> db) : Server(zeph::ClassId::Till, std::move(db)) {}

HostStatus TillServer::ImportPaymentsFromLedvo(WideString* message, WordBool* success) {
  return Call(*this, "ImportPaymentsFromLedvo").MessageFlag(message, success);
}

}  // namespace sim
