// The host's component interfaces, as the program sees them. Every call
// returns a status and, on failure, the description the host left for it.
// Texts are UTF-16, Booleans 16-bit (0 false, any other value true; -1 is
// passed for true), dates day counts from 1899-12-30 in a double.
//
// These are the program's side of the host: the component runtime
// (component_runtime.h) implements them over the C function tables of a host
// library (zeph_host.h), which is all that crosses the library boundary.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

namespace zeph {

using WideString = std::u16string;
using WordBool = int16_t;
using OleDate = double;

constexpr WordBool kTrue = -1;
constexpr WordBool kFalse = 0;

// Result of every interface call.
struct HostStatus {
  int32_t code = 0;        // negative: failure
  WideString description;  // the host's text for a failure (may be empty)

  bool Failed() const { return code < 0; }
  static HostStatus Ok() { return {}; }
  static HostStatus Fail(WideString text) { return {-1, std::move(text)}; }
};

// Class identifiers of the host's servers.
enum class ClassId : int32_t {
  Setup,
  Stock,
  Report,
  Report2,
  Lexicon,
  PrintHub,
  Till,
  Invoices,
  EksportTessaro,
  ZephProc,
};
constexpr int kClassCount = 10;
// "Setup", "Stock", ... as used by components.ini and the journal.
inline const char* ClassName(ClassId id) {
  constexpr const char* kNames[kClassCount] = {"Setup",          "Stock",    "Report", "Report2",
                                               "Lexicon",        "PrintHub", "Till",   "Invoices",
                                               "EksportTessaro", "ZephProc"};
  int index = static_cast<int>(id);
  return index >= 0 && index < kClassCount ? kNames[index] : "?";
}
inline bool ClassFromName(const std::string& name, ClassId& out) {
  for (int i = 0; i < kClassCount; ++i) {
    if (name == ClassName(static_cast<ClassId>(i))) {
      out = static_cast<ClassId>(i);
      return true;
    }
  }
  return false;
}

// Variant results of GetParameter and GetLoginValue.
using Variant = std::variant<std::monostate, int32_t, WideString>;

// Objects the program hands to the host: the application object and the
// database connection AConn. The host only keeps references to them.
class IApplication {
 public:
  virtual ~IApplication() = default;
};
class IConnection {
 public:
  virtual ~IConnection() = default;
  virtual std::string ConnectionString() const = 0;
  virtual bool LoginPrompt() const = 0;
};

// Handler of unhandled exceptions that the host hands out.
using ExceptionHandler = void (*)(int32_t code, void* context);

// Base of every server object.
class IHostObject {
 public:
  virtual ~IHostObject() = default;
  virtual ClassId Class() const = 0;
};
using ObjectRef = std::shared_ptr<IHostObject>;

// Configuration server (class Setup).
class ISetup : public IHostObject {
 public:
  virtual HostStatus Logout() = 0;
  virtual HostStatus GetLoginValue(const WideString& name, Variant* value) = 0;
  virtual HostStatus GetParameter(const WideString& name, Variant* value) = 0;
  virtual HostStatus SetConnection(IConnection* connection) = 0;
  virtual HostStatus SetCreationSwitchA(WordBool flag) = 0;
  virtual HostStatus RegisterModule(ClassId id, const ObjectRef& server, int32_t* result) = 0;
  virtual HostStatus GetModule(ClassId id, WordBool create, ObjectRef* server) = 0;
  virtual HostStatus SetApplication(IApplication* application) = 0;
  virtual HostStatus FindRight(const WideString& code, int32_t level, int32_t* handle) = 0;
  virtual HostStatus HasRight(int32_t handle, WordBool* granted) = 0;
  virtual HostStatus GetExceptionHandler(ExceptionHandler* handler) = 0;
  virtual HostStatus SetServer(const WideString& name) = 0;
  virtual HostStatus SetDatabase(const WideString& name) = 0;
  virtual HostStatus GetBoolParameter(const WideString& name, WordBool* value) = 0;
  virtual HostStatus UnregisterModule(ClassId id) = 0;
  virtual HostStatus SetUser(const WideString& name) = 0;
  virtual HostStatus SetPassword(const WideString& password) = 0;
  virtual HostStatus SetCreationSwitchB(WordBool flag) = 0;
  virtual HostStatus SetCreationSwitchC(WordBool flag) = 0;
  virtual HostStatus SetApplicationName(const WideString& name) = 0;
  virtual HostStatus SetPreLoginOption(int32_t option) = 0;
  virtual HostStatus Close() = 0;
  virtual HostStatus CheckRight(const WideString& right_id, int32_t level, WideString* text,
                                WideString* message, WordBool* granted) = 0;
  virtual HostStatus Login(WordBool* success) = 0;
};

// Warehouse module server.
class IStock : public IHostObject {
 public:
  virtual HostStatus UpdateAverageSalesRate() = 0;
  virtual HostStatus ExchangeSalesData() = 0;
  virtual HostStatus ImportAllGoodsBasesFromPelkex(WordBool* success, WideString* message) = 0;
  virtual HostStatus ExportIssueDocumentsToPelkex(WideString* message, WordBool* success) = 0;
  virtual HostStatus ExportFilesToGefco(int32_t arg, WideString* message, WordBool* success) = 0;
  virtual HostStatus ImportConfirmationsFromGefco(int32_t arg, WideString* message,
                                                  WordBool* success) = 0;
  virtual HostStatus ImportStockLevelsFromGefco(int32_t arg, WideString* message,
                                                WordBool* success) = 0;
  virtual HostStatus ImportConfirmationsAndStockLevelsFromMantis(int32_t arg, WideString* message,
                                                                 WordBool* success) = 0;
  virtual HostStatus ImportDeliveryDatesFromUps(int32_t arg, WideString* message,
                                                WordBool* success) = 0;
  virtual HostStatus ImportDeliveryDatesFromPekaes(int32_t arg, WideString* message,
                                                   WordBool* success) = 0;
  virtual HostStatus ImportDeliveryDatesFromPocztaPolska(int32_t arg, WideString* message,
                                                         WordBool* success) = 0;
  virtual HostStatus ExportGoodsBaseToCaolin() = 0;
  virtual HostStatus ImportDeliveryDatesFromInPost(int32_t arg, WideString* message,
                                                   WordBool* success) = 0;
  virtual HostStatus ImportConfirmationsFromCaolin(int32_t arg, WideString* message,
                                                   WordBool* success) = 0;
  virtual HostStatus ImportStockLevelsFromRovese(int32_t arg, WideString* message,
                                                 WordBool* success) = 0;
  virtual HostStatus ImportDeliveryDatesFromGeis(int32_t arg, WideString* message,
                                                 WordBool* success) = 0;
  virtual HostStatus ImportDeliveryDatesFromInPostShipX(int32_t arg, WideString* message,
                                                        WordBool* success) = 0;
  virtual HostStatus ImportConfirmationsAndStockLevelsFromMantisEc(int32_t arg, WideString* message,
                                                                   WordBool* success) = 0;
  virtual HostStatus ExchangeDataWithGhPsb(int32_t arg, WideString* message, WordBool* success) = 0;
  // Seven-step exchange (TPP): only the call status counts.
  virtual HostStatus ExportStockLevelsToTpp(int32_t arg, WordBool* flag) = 0;
  virtual HostStatus ExportPwDocumentsToTpp(int32_t arg, WordBool* flag) = 0;
  virtual HostStatus ExportOrdersToTpp(int32_t arg, WordBool* flag) = 0;
  virtual HostStatus ExportWzDocumentsToTpp(int32_t arg, WordBool* flag) = 0;
  // Mantis master data: goods base, suppliers, customers.
  virtual HostStatus ExportToMantis(int32_t arg1, int32_t arg2, WordBool goods, WordBool suppliers,
                                    WordBool customers, WideString* message, WordBool* success) = 0;
  virtual HostStatus ExportToMantisEc(int32_t arg1, int32_t arg2, WordBool goods,
                                      WordBool suppliers, WordBool customers, WideString* message,
                                      WordBool* success) = 0;
};

// Report server.
class IReport : public IHostObject {
 public:
  virtual HostStatus PrintInspectedIssueDocuments(int32_t arg, WideString* message,
                                                  WordBool* success) = 0;
  virtual HostStatus ExportInvoicePrintoutsToPrintHub(WordBool* flag) = 0;
};

// Second report server (daily report).
class IReport2 : public IHostObject {
 public:
  virtual HostStatus CreateDailyReport(const WideString& configuration, OleDate moment,
                                       WideString* report, WideString* message,
                                       WordBool* success) = 0;
};

// Dictionaries server.
class ILexicon : public IHostObject {
 public:
  virtual HostStatus SynchronizeWithCsk(int32_t arg, WideString* message, WordBool* success) = 0;
  virtual HostStatus ExportGoodsToPriceCheckers(int32_t arg1, int32_t arg2, WideString* message,
                                                WordBool* second_flag, WordBool* success) = 0;
  virtual HostStatus ExportContractorsToHrc(int32_t arg, WideString* message,
                                            WordBool* success) = 0;
  virtual HostStatus ImportStarterSalesFromHrc(int32_t arg, WideString* message,
                                               WordBool* success) = 0;
  // Seven-step exchange (TPP): only the call status counts.
  virtual HostStatus ImportTppPrices(int32_t arg, WordBool* flag) = 0;
  virtual HostStatus ExportGoodsToTpp(int32_t arg, WordBool* flag) = 0;
  virtual HostStatus ExportContractorsToTpp(int32_t arg, WordBool* flag) = 0;
  // External classification imports: only the call status counts.
  virtual HostStatus ImportExternalClassifications(int32_t arg) = 0;
  virtual HostStatus ImportExternalPaybackDefinitions(int32_t arg) = 0;
  virtual HostStatus ImportExternalConversionFactors(int32_t arg) = 0;
  virtual HostStatus ImportExternalInvestmentDictionaries(int32_t arg) = 0;
  virtual HostStatus ImportFiscalPrinterGraphics(int32_t arg) = 0;
};

// Print-centre server.
class IPrintHub : public IHostObject {
 public:
  virtual HostStatus CopyPrintoutImagesToImageDatabase(WideString* message, WordBool* success) = 0;
  virtual HostStatus ProcessSeparateImageDatabase(WideString* message, WordBool* success) = 0;
};

// Till server.
class ITill : public IHostObject {
 public:
  virtual HostStatus ImportPaymentsFromLedvo(WideString* message, WordBool* success) = 0;
};

// Invoicing server: created by the program, then obtained back.
class IInvoices : public IHostObject {
 public:
  virtual HostStatus SetConfiguration(ISetup* configuration) = 0;
  virtual HostStatus Finish() = 0;
  virtual HostStatus ImportEInvoicesToStagingArea(int32_t arg1, int32_t arg2, WideString* message,
                                                  WordBool* success) = 0;
  virtual HostStatus FiscalizeInStationPool(WideString* message, WordBool* success) = 0;
  virtual HostStatus ImportEArchiveDocumentsToStagingArea(int32_t arg1, int32_t arg2,
                                                          WideString* message,
                                                          WordBool* success) = 0;
  virtual HostStatus ImportReceiptsFromStagingArea() = 0;
  virtual HostStatus ExportInvoicesToEDokumenty(WideString* message, int32_t* error_count,
                                                WideString* details) = 0;
};

// Head-office export server: created by the program.
class IEksportTessaro : public IHostObject {
 public:
  virtual HostStatus ExportToTessaro(OleDate date_from, OleDate* date_to, int32_t data_range,
                                     int32_t* status) = 0;
  virtual HostStatus SetConfiguration(ISetup* configuration) = 0;
  virtual HostStatus SetWorkingDirectory(const WideString& directory) = 0;
  virtual HostStatus GetErrorMessage(WideString* message) = 0;
  virtual HostStatus GetFileList(WideString* files) = 0;
  virtual HostStatus SetEndDateCorrection(int32_t correction) = 0;
  virtual HostStatus Finish() = 0;
  virtual HostStatus ExportToAmbro(OleDate start, OleDate* end, int32_t arg, WordBool* success) = 0;
};

// Processing server: created by the program, never registered.
class IZephProc : public IHostObject {
 public:
  virtual HostStatus Start() = 0;
  virtual HostStatus Finish() = 0;
  virtual HostStatus OpenDatabase(const WideString& server, const WideString& database,
                                  const WideString& user, const WideString& password,
                                  int32_t* error_number) = 0;
  virtual HostStatus SaveDictionariesToXml(const WideString& directory, int32_t classification,
                                           int32_t goods_class, int32_t price_group,
                                           WideString* message, int32_t* error_number) = 0;
};

}  // namespace zeph
