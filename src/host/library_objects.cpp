#include "host/library_objects.h"

#include <map>
#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "util/encoding.h"

namespace zeph {
namespace {

static_assert(static_cast<int>(ClassId::Setup) == ZEPH_CLASS_SETUP);
static_assert(static_cast<int>(ClassId::Stock) == ZEPH_CLASS_STOCK);
static_assert(static_cast<int>(ClassId::Report) == ZEPH_CLASS_REPORT);
static_assert(static_cast<int>(ClassId::Report2) == ZEPH_CLASS_REPORT2);
static_assert(static_cast<int>(ClassId::Lexicon) == ZEPH_CLASS_LEXICON);
static_assert(static_cast<int>(ClassId::PrintHub) == ZEPH_CLASS_PRINT_HUB);
static_assert(static_cast<int>(ClassId::Till) == ZEPH_CLASS_TILL);
static_assert(static_cast<int>(ClassId::Invoices) == ZEPH_CLASS_INVOICES);
static_assert(static_cast<int>(ClassId::EksportTessaro) == ZEPH_CLASS_EKSPORT_TESSARO);
static_assert(static_cast<int>(ClassId::ZephProc) == ZEPH_CLASS_ZEPH_PROC);
static_assert(std::is_same_v<WordBool, ZephBool>);
static_assert(std::is_same_v<OleDate, ZephDate>);
static_assert(sizeof(char16_t) == sizeof(uint16_t));

// An argument the library cannot be handed; the call fails with the text
// and the library is not called.
struct ArgumentRefused {
  const char16_t* text;
};

// The base of every program-side object over a library's server.
class LibraryObject {
 public:
  LibraryObject(const HostLibrary& library, ZephObject* handle)
      : library_(library), handle_(handle) {}
  virtual ~LibraryObject();
  LibraryObject(const LibraryObject&) = delete;
  LibraryObject& operator=(const LibraryObject&) = delete;

  const HostLibrary& library() const { return library_; }
  ZephObject* handle() const { return handle_; }

 protected:
  template <class... P, class... A>
  HostStatus Invoke(const char* name, ZephStatus (*fn)(ZephObject*, P...), A&&... args) const;

  const HostLibrary& library_;
  ZephObject* handle_;
};

// The program-side object of every handle held, so that a server obtained
// again is the same object.
using Live = std::map<std::pair<const HostLibrary*, ZephObject*>, std::weak_ptr<IHostObject>>;
Live& LiveObjects() {
  static Live* live = new Live;  // outlives every static object
  return *live;
}

LibraryObject::~LibraryObject() {
  LiveObjects().erase({&library_, handle_});
  library_.Table().release(handle_);
}

// The library's handle of a server passed in; null passes as null. A server
// of another library, or of none, cannot be handed over.
ZephObject* HandleOf(const IHostObject* object, const HostLibrary& library) {
  if (object == nullptr) return nullptr;
  const auto* own = dynamic_cast<const LibraryObject*>(object);
  if (own == nullptr) throw ArgumentRefused{u"The server was not made by a host library"};
  if (&own->library() != &library) {
    throw ArgumentRefused{u"The server belongs to another host library"};
  }
  return own->handle();
}

// How each argument of the program's interfaces crosses into C. Numbers,
// Booleans, dates and out-pointers to them pass as they are.
template <class T>
struct Arg {
  static_assert(std::is_arithmetic_v<T> || std::is_pointer_v<T>);
  Arg(T value, const HostLibrary&) : value_(value) {}
  T get() const { return value_; }
  void Finish(const HostLibrary&, bool) {}
  T value_;
};

template <>
struct Arg<ClassId> {
  Arg(ClassId id, const HostLibrary&) : id_(static_cast<ZephClassId>(id)) {}
  ZephClassId get() const { return id_; }
  void Finish(const HostLibrary&, bool) {}
  ZephClassId id_;
};

// An in-text: borrowed for the call.
template <>
struct Arg<WideString> {
  Arg(const WideString& text, const HostLibrary&) : text_(BorrowText(text)) {}
  ZephText get() const { return text_; }
  void Finish(const HostLibrary&, bool) {}
  ZephText text_;
};

// An out-text: taken back from the library, kept only when the call succeeded.
template <>
struct Arg<WideString*> {
  Arg(WideString* target, const HostLibrary&) : target_(target) {}
  ZephString* get() { return &out_; }
  void Finish(const HostLibrary& library, bool succeeded) {
    WideString text = library.TakeString(out_);
    if (succeeded && target_ != nullptr) *target_ = std::move(text);
  }
  WideString* target_;
  ZephString out_{nullptr, 0};
};

template <>
struct Arg<Variant*> {
  Arg(Variant* target, const HostLibrary&) : target_(target) {}
  ZephVariant* get() { return &out_; }
  void Finish(const HostLibrary& library, bool succeeded) {
    WideString text = library.TakeString(out_.text);
    if (!succeeded || target_ == nullptr) return;
    switch (out_.kind) {
      case ZEPH_VARIANT_INTEGER:
        *target_ = out_.integer;
        break;
      case ZEPH_VARIANT_TEXT:
        *target_ = std::move(text);
        break;
      default:
        *target_ = std::monostate{};
    }
  }
  Variant* target_;
  ZephVariant out_{ZEPH_VARIANT_EMPTY, 0, {nullptr, 0}};
};

template <>
struct Arg<ISetup*> {
  Arg(ISetup* server, const HostLibrary& library) : handle_(HandleOf(server, library)) {}
  ZephObject* get() const { return handle_; }
  void Finish(const HostLibrary&, bool) {}
  ZephObject* handle_;
};

template <>
struct Arg<ObjectRef> {
  Arg(const ObjectRef& server, const HostLibrary& library)
      : handle_(HandleOf(server.get(), library)) {}
  ZephObject* get() const { return handle_; }
  void Finish(const HostLibrary&, bool) {}
  ZephObject* handle_;
};

template <class... P, class... A>
HostStatus LibraryObject::Invoke(const char* name, ZephStatus (*fn)(ZephObject*, P...),
                                 A&&... args) const {
  if (fn == nullptr) {
    return HostStatus::Fail(
        Utf8ToWide("The host library \"" + library_.Path() + "\" does not offer " + name));
  }
  try {
    std::tuple<Arg<std::decay_t<A>>...> slots{Arg<std::decay_t<A>>(args, library_)...};
    ZephStatus status =
        std::apply([&](auto&... slot) { return fn(handle_, slot.get()...); }, slots);
    HostStatus result = library_.TakeStatus(status);
    std::apply([&](auto&... slot) { (slot.Finish(library_, !result.Failed()), ...); }, slots);
    return result;
  } catch (const ArgumentRefused& refused) {
    return HostStatus::Fail(refused.text);
  }
}

// One call of the server's table, named for the failure when the library
// leaves it out.
#define ZEPH_CALL(method, ...) Invoke(#method, table_->method __VA_OPT__(, ) __VA_ARGS__)

template <class Interface, class Table, ClassId kClass>
class Server : public Interface, public LibraryObject {
 public:
  Server(const HostLibrary& library, ZephObject* handle, const Table* table)
      : LibraryObject(library, handle), table_(table) {}
  ClassId Class() const override { return kClass; }

 protected:
  const Table* table_;
};

// The connection as the library sees it, for as long as the configuration
// server lives.
struct ConnectionBridge {
  ZephConnection c;
  WideString connection_string;
  ZephBool login_prompt;
};

ZephText BridgeConnectionString(const ZephConnection* self) {
  const auto* bridge = static_cast<const ConnectionBridge*>(self->context);
  return BorrowText(bridge->connection_string);
}

ZephBool BridgeLoginPrompt(const ZephConnection* self) {
  return static_cast<const ConnectionBridge*>(self->context)->login_prompt;
}

class LibrarySetup final : public Server<ISetup, ZephSetupTable, ClassId::Setup> {
 public:
  using Server::Server;
  HostStatus Logout() override { return ZEPH_CALL(Logout); }
  HostStatus GetLoginValue(const WideString& name, Variant* value) override {
    return ZEPH_CALL(GetLoginValue, name, value);
  }
  HostStatus GetParameter(const WideString& name, Variant* value) override {
    return ZEPH_CALL(GetParameter, name, value);
  }
  HostStatus SetConnection(IConnection* connection) override {
    const ZephConnection* passed = nullptr;
    if (connection != nullptr) {
      auto bridge = std::make_unique<ConnectionBridge>();
      bridge->c = ZephConnection{bridge.get(), &BridgeConnectionString, &BridgeLoginPrompt};
      bridge->connection_string = AnsiToWide(connection->ConnectionString());
      bridge->login_prompt = connection->LoginPrompt() ? ZEPH_TRUE : ZEPH_FALSE;
      passed = &bridge->c;
      connections_.push_back(std::move(bridge));
    }
    return ZEPH_CALL(SetConnection, passed);
  }
  HostStatus SetCreationSwitchA(WordBool flag) override {
    return ZEPH_CALL(SetCreationSwitchA, flag);
  }
  HostStatus RegisterModule(ClassId id, const ObjectRef& server, int32_t* result) override {
    return ZEPH_CALL(RegisterModule, id, server, result);
  }
  HostStatus GetModule(ClassId id, WordBool create, ObjectRef* server) override {
    ZephObject* handle = nullptr;
    HostStatus status = ZEPH_CALL(GetModule, id, create, &handle);
    if (status.Failed()) return status;
    ObjectRef module;
    if (handle != nullptr) {
      HostStatus wrapped = WrapLibraryObject(library_, id, handle, &module);
      if (wrapped.Failed()) return wrapped;
    }
    if (server != nullptr) *server = std::move(module);
    return status;
  }
  HostStatus SetApplication(IApplication* application) override {
    // The application object is opaque to the library.
    return ZEPH_CALL(SetApplication, reinterpret_cast<ZephApplication*>(application));
  }
  HostStatus FindRight(const WideString& code, int32_t level, int32_t* handle) override {
    return ZEPH_CALL(FindRight, code, level, handle);
  }
  HostStatus HasRight(int32_t handle, WordBool* granted) override {
    return ZEPH_CALL(HasRight, handle, granted);
  }
  HostStatus GetExceptionHandler(ExceptionHandler* handler) override {
    return ZEPH_CALL(GetExceptionHandler, handler);
  }
  HostStatus SetServer(const WideString& name) override { return ZEPH_CALL(SetServer, name); }
  HostStatus SetDatabase(const WideString& name) override { return ZEPH_CALL(SetDatabase, name); }
  HostStatus GetBoolParameter(const WideString& name, WordBool* value) override {
    return ZEPH_CALL(GetBoolParameter, name, value);
  }
  HostStatus UnregisterModule(ClassId id) override { return ZEPH_CALL(UnregisterModule, id); }
  HostStatus SetUser(const WideString& name) override { return ZEPH_CALL(SetUser, name); }
  HostStatus SetPassword(const WideString& password) override {
    return ZEPH_CALL(SetPassword, password);
  }
  HostStatus SetCreationSwitchB(WordBool flag) override {
    return ZEPH_CALL(SetCreationSwitchB, flag);
  }
  HostStatus SetCreationSwitchC(WordBool flag) override {
    return ZEPH_CALL(SetCreationSwitchC, flag);
  }
  HostStatus SetApplicationName(const WideString& name) override {
    return ZEPH_CALL(SetApplicationName, name);
  }
  HostStatus SetPreLoginOption(int32_t option) override {
    return ZEPH_CALL(SetPreLoginOption, option);
  }
  HostStatus Close() override { return ZEPH_CALL(Close); }
  HostStatus CheckRight(const WideString& right_id, int32_t level, WideString* text,
                        WideString* message, WordBool* granted) override {
    return ZEPH_CALL(CheckRight, right_id, level, text, message, granted);
  }
  HostStatus Login(WordBool* success) override { return ZEPH_CALL(Login, success); }

 private:
  // Every connection handed to the library stays valid while it may hold it.
  std::vector<std::unique_ptr<ConnectionBridge>> connections_;
};

class LibraryStock final : public Server<IStock, ZephStockTable, ClassId::Stock> {
 public:
  using Server::Server;
  HostStatus UpdateAverageSalesRate() override { return ZEPH_CALL(UpdateAverageSalesRate); }
  HostStatus ExchangeSalesData() override { return ZEPH_CALL(ExchangeSalesData); }
  HostStatus ImportAllGoodsBasesFromPelkex(WordBool* success, WideString* message) override {
    return ZEPH_CALL(ImportAllGoodsBasesFromPelkex, success, message);
  }
  HostStatus ExportIssueDocumentsToPelkex(WideString* message, WordBool* success) override {
    return ZEPH_CALL(ExportIssueDocumentsToPelkex, message, success);
  }
  HostStatus ExportFilesToGefco(int32_t arg, WideString* message, WordBool* success) override {
    return ZEPH_CALL(ExportFilesToGefco, arg, message, success);
  }
  HostStatus ImportConfirmationsFromGefco(int32_t arg, WideString* message,
                                          WordBool* success) override {
    return ZEPH_CALL(ImportConfirmationsFromGefco, arg, message, success);
  }
  HostStatus ImportStockLevelsFromGefco(int32_t arg, WideString* message,
                                        WordBool* success) override {
    return ZEPH_CALL(ImportStockLevelsFromGefco, arg, message, success);
  }
  HostStatus ImportConfirmationsAndStockLevelsFromMantis(int32_t arg, WideString* message,
                                                         WordBool* success) override {
    return ZEPH_CALL(ImportConfirmationsAndStockLevelsFromMantis, arg, message, success);
  }
  HostStatus ImportDeliveryDatesFromUps(int32_t arg, WideString* message,
                                        WordBool* success) override {
    return ZEPH_CALL(ImportDeliveryDatesFromUps, arg, message, success);
  }
  HostStatus ImportDeliveryDatesFromPekaes(int32_t arg, WideString* message,
                                           WordBool* success) override {
    return ZEPH_CALL(ImportDeliveryDatesFromPekaes, arg, message, success);
  }
  HostStatus ImportDeliveryDatesFromPocztaPolska(int32_t arg, WideString* message,
                                                 WordBool* success) override {
    return ZEPH_CALL(ImportDeliveryDatesFromPocztaPolska, arg, message, success);
  }
  HostStatus ExportGoodsBaseToCaolin() override { return ZEPH_CALL(ExportGoodsBaseToCaolin); }
  HostStatus ImportDeliveryDatesFromInPost(int32_t arg, WideString* message,
                                           WordBool* success) override {
    return ZEPH_CALL(ImportDeliveryDatesFromInPost, arg, message, success);
  }
  HostStatus ImportConfirmationsFromCaolin(int32_t arg, WideString* message,
                                           WordBool* success) override {
    return ZEPH_CALL(ImportConfirmationsFromCaolin, arg, message, success);
  }
  HostStatus ImportStockLevelsFromRovese(int32_t arg, WideString* message,
                                         WordBool* success) override {
    return ZEPH_CALL(ImportStockLevelsFromRovese, arg, message, success);
  }
  HostStatus ImportDeliveryDatesFromGeis(int32_t arg, WideString* message,
                                         WordBool* success) override {
    return ZEPH_CALL(ImportDeliveryDatesFromGeis, arg, message, success);
  }
  HostStatus ImportDeliveryDatesFromInPostShipX(int32_t arg, WideString* message,
                                                WordBool* success) override {
    return ZEPH_CALL(ImportDeliveryDatesFromInPostShipX, arg, message, success);
  }
  HostStatus ImportConfirmationsAndStockLevelsFromMantisEc(int32_t arg, WideString* message,
                                                           WordBool* success) override {
    return ZEPH_CALL(ImportConfirmationsAndStockLevelsFromMantisEc, arg, message, success);
  }
  HostStatus ExchangeDataWithGhPsb(int32_t arg, WideString* message, WordBool* success) override {
    return ZEPH_CALL(ExchangeDataWithGhPsb, arg, message, success);
  }
  HostStatus ExportStockLevelsToTpp(int32_t arg, WordBool* flag) override {
    return ZEPH_CALL(ExportStockLevelsToTpp, arg, flag);
  }
  HostStatus ExportPwDocumentsToTpp(int32_t arg, WordBool* flag) override {
    return ZEPH_CALL(ExportPwDocumentsToTpp, arg, flag);
  }
  HostStatus ExportOrdersToTpp(int32_t arg, WordBool* flag) override {
    return ZEPH_CALL(ExportOrdersToTpp, arg, flag);
  }
  HostStatus ExportWzDocumentsToTpp(int32_t arg, WordBool* flag) override {
    return ZEPH_CALL(ExportWzDocumentsToTpp, arg, flag);
  }
  HostStatus ExportToMantis(int32_t arg1, int32_t arg2, WordBool goods, WordBool suppliers,
                            WordBool customers, WideString* message, WordBool* success) override {
    return ZEPH_CALL(ExportToMantis, arg1, arg2, goods, suppliers, customers, message, success);
  }
  HostStatus ExportToMantisEc(int32_t arg1, int32_t arg2, WordBool goods, WordBool suppliers,
                              WordBool customers, WideString* message, WordBool* success) override {
    return ZEPH_CALL(ExportToMantisEc, arg1, arg2, goods, suppliers, customers, message, success);
  }
};

class LibraryReport final : public Server<IReport, ZephReportTable, ClassId::Report> {
 public:
  using Server::Server;
  HostStatus PrintInspectedIssueDocuments(int32_t arg, WideString* message,
                                          WordBool* success) override {
    return ZEPH_CALL(PrintInspectedIssueDocuments, arg, message, success);
  }
  HostStatus ExportInvoicePrintoutsToPrintHub(WordBool* flag) override {
    return ZEPH_CALL(ExportInvoicePrintoutsToPrintHub, flag);
  }
};

class LibraryReport2 final : public Server<IReport2, ZephReport2Table, ClassId::Report2> {
 public:
  using Server::Server;
  HostStatus CreateDailyReport(const WideString& configuration, OleDate moment, WideString* report,
                               WideString* message, WordBool* success) override {
    return ZEPH_CALL(CreateDailyReport, configuration, moment, report, message, success);
  }
};

class LibraryLexicon final : public Server<ILexicon, ZephLexiconTable, ClassId::Lexicon> {
 public:
  using Server::Server;
  HostStatus SynchronizeWithCsk(int32_t arg, WideString* message, WordBool* success) override {
    return ZEPH_CALL(SynchronizeWithCsk, arg, message, success);
  }
  HostStatus ExportGoodsToPriceCheckers(int32_t arg1, int32_t arg2, WideString* message,
                                        WordBool* second_flag, WordBool* success) override {
    return ZEPH_CALL(ExportGoodsToPriceCheckers, arg1, arg2, message, second_flag, success);
  }
  HostStatus ExportContractorsToHrc(int32_t arg, WideString* message, WordBool* success) override {
    return ZEPH_CALL(ExportContractorsToHrc, arg, message, success);
  }
  HostStatus ImportStarterSalesFromHrc(int32_t arg, WideString* message,
                                       WordBool* success) override {
    return ZEPH_CALL(ImportStarterSalesFromHrc, arg, message, success);
  }
  HostStatus ImportTppPrices(int32_t arg, WordBool* flag) override {
    return ZEPH_CALL(ImportTppPrices, arg, flag);
  }
  HostStatus ExportGoodsToTpp(int32_t arg, WordBool* flag) override {
    return ZEPH_CALL(ExportGoodsToTpp, arg, flag);
  }
  HostStatus ExportContractorsToTpp(int32_t arg, WordBool* flag) override {
    return ZEPH_CALL(ExportContractorsToTpp, arg, flag);
  }
  HostStatus ImportExternalClassifications(int32_t arg) override {
    return ZEPH_CALL(ImportExternalClassifications, arg);
  }
  HostStatus ImportExternalPaybackDefinitions(int32_t arg) override {
    return ZEPH_CALL(ImportExternalPaybackDefinitions, arg);
  }
  HostStatus ImportExternalConversionFactors(int32_t arg) override {
    return ZEPH_CALL(ImportExternalConversionFactors, arg);
  }
  HostStatus ImportExternalInvestmentDictionaries(int32_t arg) override {
    return ZEPH_CALL(ImportExternalInvestmentDictionaries, arg);
  }
  HostStatus ImportFiscalPrinterGraphics(int32_t arg) override {
    return ZEPH_CALL(ImportFiscalPrinterGraphics, arg);
  }
};

class LibraryPrintHub final : public Server<IPrintHub, ZephPrintHubTable, ClassId::PrintHub> {
 public:
  using Server::Server;
  HostStatus CopyPrintoutImagesToImageDatabase(WideString* message, WordBool* success) override {
    return ZEPH_CALL(CopyPrintoutImagesToImageDatabase, message, success);
  }
  HostStatus ProcessSeparateImageDatabase(WideString* message, WordBool* success) override {
    return ZEPH_CALL(ProcessSeparateImageDatabase, message, success);
  }
};

class LibraryTill final : public Server<ITill, ZephTillTable, ClassId::Till> {
 public:
  using Server::Server;
  HostStatus ImportPaymentsFromLedvo(WideString* message, WordBool* success) override {
    return ZEPH_CALL(ImportPaymentsFromLedvo, message, success);
  }
};

class LibraryInvoices final : public Server<IInvoices, ZephInvoicesTable, ClassId::Invoices> {
 public:
  using Server::Server;
  HostStatus SetConfiguration(ISetup* configuration) override {
    return ZEPH_CALL(SetConfiguration, configuration);
  }
  HostStatus Finish() override { return ZEPH_CALL(Finish); }
  HostStatus ImportEInvoicesToStagingArea(int32_t arg1, int32_t arg2, WideString* message,
                                          WordBool* success) override {
    return ZEPH_CALL(ImportEInvoicesToStagingArea, arg1, arg2, message, success);
  }
  HostStatus FiscalizeInStationPool(WideString* message, WordBool* success) override {
    return ZEPH_CALL(FiscalizeInStationPool, message, success);
  }
  HostStatus ImportEArchiveDocumentsToStagingArea(int32_t arg1, int32_t arg2, WideString* message,
                                                  WordBool* success) override {
    return ZEPH_CALL(ImportEArchiveDocumentsToStagingArea, arg1, arg2, message, success);
  }
  HostStatus ImportReceiptsFromStagingArea() override {
    return ZEPH_CALL(ImportReceiptsFromStagingArea);
  }
  HostStatus ExportInvoicesToEDokumenty(WideString* message, int32_t* error_count,
                                        WideString* details) override {
    return ZEPH_CALL(ExportInvoicesToEDokumenty, message, error_count, details);
  }
};

class LibraryEksportTessaro final
    : public Server<IEksportTessaro, ZephEksportTessaroTable, ClassId::EksportTessaro> {
 public:
  using Server::Server;
  HostStatus ExportToTessaro(OleDate date_from, OleDate* date_to, int32_t data_range,
                             int32_t* status) override {
    return ZEPH_CALL(ExportToTessaro, date_from, date_to, data_range, status);
  }
  HostStatus SetConfiguration(ISetup* configuration) override {
    return ZEPH_CALL(SetConfiguration, configuration);
  }
  HostStatus SetWorkingDirectory(const WideString& directory) override {
    return ZEPH_CALL(SetWorkingDirectory, directory);
  }
  HostStatus GetErrorMessage(WideString* message) override {
    return ZEPH_CALL(GetErrorMessage, message);
  }
  HostStatus GetFileList(WideString* files) override { return ZEPH_CALL(GetFileList, files); }
  HostStatus SetEndDateCorrection(int32_t correction) override {
    return ZEPH_CALL(SetEndDateCorrection, correction);
  }
  HostStatus Finish() override { return ZEPH_CALL(Finish); }
  HostStatus ExportToAmbro(OleDate start, OleDate* end, int32_t arg, WordBool* success) override {
    return ZEPH_CALL(ExportToAmbro, start, end, arg, success);
  }
};

class LibraryZephProc final : public Server<IZephProc, ZephZephProcTable, ClassId::ZephProc> {
 public:
  using Server::Server;
  HostStatus Start() override { return ZEPH_CALL(Start); }
  HostStatus Finish() override { return ZEPH_CALL(Finish); }
  HostStatus OpenDatabase(const WideString& server, const WideString& database,
                          const WideString& user, const WideString& password,
                          int32_t* error_number) override {
    return ZEPH_CALL(OpenDatabase, server, database, user, password, error_number);
  }
  HostStatus SaveDictionariesToXml(const WideString& directory, int32_t classification,
                                   int32_t goods_class, int32_t price_group, WideString* message,
                                   int32_t* error_number) override {
    return ZEPH_CALL(SaveDictionariesToXml, directory, classification, goods_class, price_group,
                     message, error_number);
  }
};

#undef ZEPH_CALL

template <class Object, class Table>
ObjectRef Make(const HostLibrary& library, ZephObject* handle, const Table* table) {
  if (table == nullptr) return nullptr;
  return std::make_shared<Object>(library, handle, table);
}

}  // namespace

HostStatus WrapLibraryObject(const HostLibrary& library, ClassId id, ZephObject* handle,
                             ObjectRef* out) {
  const ZephHostLibrary& t = library.Table();
  std::weak_ptr<IHostObject>& known = LiveObjects()[{&library, handle}];
  if (ObjectRef object = known.lock()) {
    // Already held: the program keeps one reference per object.
    t.release(handle);
    if (object->Class() != id) {
      return HostStatus::Fail(Utf8ToWide("The host library \"" + library.Path() +
                                         "\" handed out a " + ClassName(object->Class()) +
                                         " server as " + ClassName(id)));
    }
    *out = std::move(object);
    return HostStatus::Ok();
  }
  ObjectRef object;
  switch (id) {
    case ClassId::Setup:
      object = Make<LibrarySetup>(library, handle, t.setup);
      break;
    case ClassId::Stock:
      object = Make<LibraryStock>(library, handle, t.stock);
      break;
    case ClassId::Report:
      object = Make<LibraryReport>(library, handle, t.report);
      break;
    case ClassId::Report2:
      object = Make<LibraryReport2>(library, handle, t.report2);
      break;
    case ClassId::Lexicon:
      object = Make<LibraryLexicon>(library, handle, t.lexicon);
      break;
    case ClassId::PrintHub:
      object = Make<LibraryPrintHub>(library, handle, t.print_hub);
      break;
    case ClassId::Till:
      object = Make<LibraryTill>(library, handle, t.till);
      break;
    case ClassId::Invoices:
      object = Make<LibraryInvoices>(library, handle, t.invoices);
      break;
    case ClassId::EksportTessaro:
      object = Make<LibraryEksportTessaro>(library, handle, t.eksport_tessaro);
      break;
    case ClassId::ZephProc:
      object = Make<LibraryZephProc>(library, handle, t.zeph_proc);
      break;
  }
  if (!object) {
    LiveObjects().erase({&library, handle});
    t.release(handle);
    return HostStatus::Fail(Utf8ToWide("The host library \"" + library.Path() +
                                       "\" has no interface for class " + ClassName(id)));
  }
  known = object;
  *out = std::move(object);
  return HostStatus::Ok();
}

}  // namespace zeph
