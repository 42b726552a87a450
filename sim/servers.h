// The simulated host servers, one class per host class.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "host/host_api.h"
#include "sim_object.h"

namespace sim {

using zeph::HostStatus;
using zeph::WideString;
using zeph::WordBool;

class SetupServer final : public Server<zeph::ISetup> {
 public:
  SetupServer();
  HostStatus Logout() override;
  HostStatus GetLoginValue(const WideString& name, zeph::Variant* value) override;
  HostStatus GetParameter(const WideString& name, zeph::Variant* value) override;
  HostStatus SetConnection(zeph::IConnection* connection) override;
  HostStatus SetCreationSwitchA(WordBool flag) override;
  HostStatus RegisterModule(zeph::ClassId id, const zeph::ObjectRef& server,
                            int32_t* result) override;
  HostStatus GetModule(zeph::ClassId id, WordBool create, zeph::ObjectRef* server) override;
  HostStatus SetApplication(zeph::IApplication* application) override;
  HostStatus FindRight(const WideString& code, int32_t level, int32_t* handle) override;
  HostStatus HasRight(int32_t handle, WordBool* granted) override;
  HostStatus GetExceptionHandler(zeph::ExceptionHandler* handler) override;
  HostStatus SetServer(const WideString& name) override;
  HostStatus SetDatabase(const WideString& name) override;
  HostStatus GetBoolParameter(const WideString& name, WordBool* value) override;
  HostStatus UnregisterModule(zeph::ClassId id) override;
  HostStatus SetUser(const WideString& name) override;
  HostStatus SetPassword(const WideString& password) override;
  HostStatus SetCreationSwitchB(WordBool flag) override;
  HostStatus SetCreationSwitchC(WordBool flag) override;
  HostStatus SetApplicationName(const WideString& name) override;
  HostStatus SetPreLoginOption(int32_t option) override;
  HostStatus Close() override;
  HostStatus CheckRight(const WideString& right_id, int32_t level, WideString* text,
                        WideString* message, WordBool* granted) override;
  HostStatus Login(WordBool* success) override;

 private:
  // Weak: the configuration server registers itself.
  std::map<zeph::ClassId, std::weak_ptr<zeph::IHostObject>> registered_;
  std::map<int32_t, std::string> rights_;  // FindRight handle -> right code
  int32_t last_handle_ = 0;
};

class StockServer final : public Server<zeph::IStock> {
 public:
  explicit StockServer(std::shared_ptr<Database> db);
  HostStatus UpdateAverageSalesRate() override;
  HostStatus ExchangeSalesData() override;
  HostStatus ImportAllGoodsBasesFromPelkex(WordBool* success, WideString* message) override;
  HostStatus ExportIssueDocumentsToPelkex(WideString* message, WordBool* success) override;
  HostStatus ExportFilesToGefco(int32_t arg, WideString* message, WordBool* success) override;
  HostStatus ImportConfirmationsFromGefco(int32_t arg, WideString* message,
                                          WordBool* success) override;
  HostStatus ImportStockLevelsFromGefco(int32_t arg, WideString* message,
                                        WordBool* success) override;
  HostStatus ImportConfirmationsAndStockLevelsFromMantis(int32_t arg, WideString* message,
                                                         WordBool* success) override;
  HostStatus ImportDeliveryDatesFromUps(int32_t arg, WideString* message,
                                        WordBool* success) override;
  HostStatus ImportDeliveryDatesFromPekaes(int32_t arg, WideString* message,
                                           WordBool* success) override;
  HostStatus ImportDeliveryDatesFromPocztaPolska(int32_t arg, WideString* message,
                                                 WordBool* success) override;
  HostStatus ExportGoodsBaseToCaolin() override;
  HostStatus ImportDeliveryDatesFromInPost(int32_t arg, WideString* message,
                                           WordBool* success) override;
  HostStatus ImportConfirmationsFromCaolin(int32_t arg, WideString* message,
                                           WordBool* success) override;
  HostStatus ImportStockLevelsFromRovese(int32_t arg, WideString* message,
                                         WordBool* success) override;
  HostStatus ImportDeliveryDatesFromGeis(int32_t arg, WideString* message,
                                         WordBool* success) override;
  HostStatus ImportDeliveryDatesFromInPostShipX(int32_t arg, WideString* message,
                                                WordBool* success) override;
  HostStatus ImportConfirmationsAndStockLevelsFromMantisEc(int32_t arg, WideString* message,
                                                           WordBool* success) override;
  HostStatus ExchangeDataWithGhPsb(int32_t arg, WideString* message, WordBool* success) override;
  HostStatus ExportStockLevelsToTpp(int32_t arg, WordBool* flag) override;
  HostStatus ExportPwDocumentsToTpp(int32_t arg, WordBool* flag) override;
  HostStatus ExportOrdersToTpp(int32_t arg, WordBool* flag) override;
  HostStatus ExportWzDocumentsToTpp(int32_t arg, WordBool* flag) override;
  HostStatus ExportToMantis(int32_t arg1, int32_t arg2, WordBool goods, WordBool suppliers,
                            WordBool customers, WideString* message, WordBool* success) override;
  HostStatus ExportToMantisEc(int32_t arg1, int32_t arg2, WordBool goods, WordBool suppliers,
                              WordBool customers, WideString* message, WordBool* success) override;
};

class ReportServer final : public Server<zeph::IReport> {
 public:
  explicit ReportServer(std::shared_ptr<Database> db);
  HostStatus PrintInspectedIssueDocuments(int32_t arg, WideString* message,
                                          WordBool* success) override;
  HostStatus ExportInvoicePrintoutsToPrintHub(WordBool* flag) override;
};

class Report2Server final : public Server<zeph::IReport2> {
 public:
  explicit Report2Server(std::shared_ptr<Database> db);
  HostStatus CreateDailyReport(const WideString& configuration, zeph::OleDate moment,
                               WideString* report, WideString* message, WordBool* success) override;
};

class LexiconServer final : public Server<zeph::ILexicon> {
 public:
  explicit LexiconServer(std::shared_ptr<Database> db);
  HostStatus SynchronizeWithCsk(int32_t arg, WideString* message, WordBool* success) override;
  HostStatus ExportGoodsToPriceCheckers(int32_t arg1, int32_t arg2, WideString* message,
                                        WordBool* second_flag, WordBool* success) override;
  HostStatus ExportContractorsToHrc(int32_t arg, WideString* message, WordBool* success) override;
  HostStatus ImportStarterSalesFromHrc(int32_t arg, WideString* message,
                                       WordBool* success) override;
  HostStatus ImportTppPrices(int32_t arg, WordBool* flag) override;
  HostStatus ExportGoodsToTpp(int32_t arg, WordBool* flag) override;
  HostStatus ExportContractorsToTpp(int32_t arg, WordBool* flag) override;
  HostStatus ImportExternalClassifications(int32_t arg) override;
  HostStatus ImportExternalPaybackDefinitions(int32_t arg) override;
  HostStatus ImportExternalConversionFactors(int32_t arg) override;
  HostStatus ImportExternalInvestmentDictionaries(int32_t arg) override;
  HostStatus ImportFiscalPrinterGraphics(int32_t arg) override;
};

class PrintHubServer final : public Server<zeph::IPrintHub> {
 public:
  explicit PrintHubServer(std::shared_ptr<Database> db);
  HostStatus CopyPrintoutImagesToImageDatabase(WideString* message, WordBool* success) override;
  HostStatus ProcessSeparateImageDatabase(WideString* message, WordBool* success) override;
};

class TillServer final : public Server<zeph::ITill> {
 public:
  explicit TillServer(std::shared_ptr<Database> db);
  HostStatus ImportPaymentsFromLedvo(WideString* message, WordBool* success) override;
};

class InvoicesServer final : public Server<zeph::IInvoices> {
 public:
  InvoicesServer();
  HostStatus SetConfiguration(zeph::ISetup* configuration) override;
  HostStatus Finish() override;
  HostStatus ImportEInvoicesToStagingArea(int32_t arg1, int32_t arg2, WideString* message,
                                          WordBool* success) override;
  HostStatus FiscalizeInStationPool(WideString* message, WordBool* success) override;
  HostStatus ImportEArchiveDocumentsToStagingArea(int32_t arg1, int32_t arg2, WideString* message,
                                                  WordBool* success) override;
  HostStatus ImportReceiptsFromStagingArea() override;
  HostStatus ExportInvoicesToEDokumenty(WideString* message, int32_t* error_count,
                                        WideString* details) override;
};

class EksportTessaroServer final : public Server<zeph::IEksportTessaro> {
 public:
  EksportTessaroServer();
  HostStatus ExportToTessaro(zeph::OleDate date_from, zeph::OleDate* date_to, int32_t data_range,
                             int32_t* status) override;
  HostStatus SetConfiguration(zeph::ISetup* configuration) override;
  HostStatus SetWorkingDirectory(const WideString& directory) override;
  HostStatus GetErrorMessage(WideString* message) override;
  HostStatus GetFileList(WideString* files) override;
  HostStatus SetEndDateCorrection(int32_t correction) override;
  HostStatus Finish() override;
  HostStatus ExportToAmbro(zeph::OleDate start, zeph::OleDate* end, int32_t arg,
                           WordBool* success) override;

 private:
  std::string directory_;      // UTF-8, as given
  std::string error_message_;  // UTF-8
  std::string file_list_;      // UTF-8, CR LF between paths
};

class ZephProcServer final : public Server<zeph::IZephProc> {
 public:
  ZephProcServer();
  HostStatus Start() override;
  HostStatus Finish() override;
  HostStatus OpenDatabase(const WideString& server, const WideString& database,
                          const WideString& user, const WideString& password,
                          int32_t* error_number) override;
  HostStatus SaveDictionariesToXml(const WideString& directory, int32_t classification,
                                   int32_t goods_class, int32_t price_group, WideString* message,
                                   int32_t* error_number) override;
};

// A new module server (Stock, Report, Report2, Lexicon, PrintHub, Till) for
// the database; null for any other class.
zeph::ObjectRef MakeModuleServer(zeph::ClassId id, const std::shared_ptr<Database>& db);

}  // namespace sim
