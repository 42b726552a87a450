/* The C interface between ZephAutomat and a host library.
 *
 * A host library is a shared library that makes the host's servers
 * (configuration server, module servers, created servers) for the program.
 * It exports one function with C linkage, ZEPH_HOST_ENTRY_SYMBOL, that
 * returns a table describing the library: the interface version it was built
 * against, how to create, release and free, and one function table per server
 * class. Nothing but C types crosses the boundary, so a library may be
 * written in any language and with any compiler.
 *
 * Conventions
 * - Texts are UTF-16 code units with an explicit length (no terminating NUL
 *   is needed, and an embedded NUL is a character).
 *   ZephText: borrowed; valid only during the call that receives it.
 *   ZephString: made by the library for the program; the program gives it
 *   back with ZephHostLibrary.free_string.
 * - Booleans are 16-bit: 0 false, any other value true; the program passes
 *   -1 for true.
 * - Dates are day counts from 1899-12-30 in a double; the fraction is the
 *   time of day.
 * - Every call returns a ZephStatus. A negative code is a failure; its
 *   description (may be empty) is the text the program reports. After a
 *   failure the program ignores the call's text, variant and object results.
 * - Objects are opaque handles (ZephObject *). A handle stands for its
 *   object: the library hands out the same handle for the same object every
 *   time. Every handout (create, GetModule) is one reference that the program
 *   gives back exactly once with ZephHostLibrary.release. Handles the program passes in
 *   (RegisterModule, SetConfiguration) are borrowed: a library that keeps one
 *   must not use it after the program has released it, and may not release
 *   it itself.
 * - Out-pointers are never null. A function pointer left null in a table is
 *   a call the library does not offer: the program reports it as a failure
 *   naming the call.
 * - All calls come from one thread, one at a time.
 *
 * See docs/host-adapter.md for what every call must do. */
#ifndef ZEPHAUTOMAT_HOST_H
#define ZEPHAUTOMAT_HOST_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Raised whenever a table or a call changes shape. The program refuses a
 * library built against another version. */
#define ZEPH_HOST_INTERFACE_VERSION 2

/* The entry point every host library exports. */
#define ZEPH_HOST_ENTRY_SYMBOL "zeph_host_library"

typedef int16_t ZephBool;
#define ZEPH_TRUE ((ZephBool)-1)
#define ZEPH_FALSE ((ZephBool)0)

typedef double ZephDate;

typedef struct ZephText {
  const uint16_t* data;
  size_t length;
} ZephText;

typedef struct ZephString {
  uint16_t* data; /* null when empty */
  size_t length;
} ZephString;

typedef struct ZephStatus {
  int32_t code; /* negative: failure */
  ZephString description;
} ZephStatus;

/* Classes of the host's servers; names as in components.ini. */
typedef int32_t ZephClassId;
#define ZEPH_CLASS_SETUP 0
#define ZEPH_CLASS_STOCK 1
#define ZEPH_CLASS_REPORT 2
#define ZEPH_CLASS_REPORT2 3
#define ZEPH_CLASS_LEXICON 4
#define ZEPH_CLASS_PRINT_HUB 5
#define ZEPH_CLASS_TILL 6
#define ZEPH_CLASS_INVOICES 7
#define ZEPH_CLASS_EKSPORT_TESSARO 8
#define ZEPH_CLASS_ZEPH_PROC 9

/* Result of GetParameter and GetLoginValue. */
#define ZEPH_VARIANT_EMPTY 0
#define ZEPH_VARIANT_INTEGER 1
#define ZEPH_VARIANT_TEXT 2
typedef struct ZephVariant {
  int32_t kind;
  int32_t integer; /* ZEPH_VARIANT_INTEGER */
  ZephString text; /* ZEPH_VARIANT_TEXT; freed by the program */
} ZephVariant;

/* A server made by the library. */
typedef struct ZephObject ZephObject;

/* The program's application object: opaque, only kept. */
typedef struct ZephApplication ZephApplication;

/* The program's database connection (AConn). Valid until the configuration
 * server it was handed to is released or handed another one. */
typedef struct ZephConnection {
  void* context;
  /* Borrowed text, valid as long as the connection. */
  ZephText (*connection_string)(const struct ZephConnection* self);
  ZephBool (*login_prompt)(const struct ZephConnection* self);
} ZephConnection;

/* The host's handler of unhandled exceptions. */
typedef void (*ZephExceptionHandler)(int32_t code, void* context);

/* Configuration server. */
typedef struct ZephSetupTable {
  ZephStatus (*Logout)(ZephObject* self);
  ZephStatus (*GetLoginValue)(ZephObject* self, ZephText name, ZephVariant* value);
  ZephStatus (*GetParameter)(ZephObject* self, ZephText name, ZephVariant* value);
  ZephStatus (*SetConnection)(ZephObject* self, const ZephConnection* connection);
  ZephStatus (*SetCreationSwitchA)(ZephObject* self, ZephBool flag);
  ZephStatus (*RegisterModule)(ZephObject* self, ZephClassId id, ZephObject* server,
                               int32_t* result);
  /* *server: a new reference, or null when there is none. */
  ZephStatus (*GetModule)(ZephObject* self, ZephClassId id, ZephBool create, ZephObject** server);
  ZephStatus (*SetApplication)(ZephObject* self, ZephApplication* application);
  ZephStatus (*FindRight)(ZephObject* self, ZephText code, int32_t level, int32_t* handle);
  ZephStatus (*HasRight)(ZephObject* self, int32_t handle, ZephBool* granted);
  ZephStatus (*GetExceptionHandler)(ZephObject* self, ZephExceptionHandler* handler);
  ZephStatus (*SetServer)(ZephObject* self, ZephText name);
  ZephStatus (*SetDatabase)(ZephObject* self, ZephText name);
  ZephStatus (*GetBoolParameter)(ZephObject* self, ZephText name, ZephBool* value);
  ZephStatus (*UnregisterModule)(ZephObject* self, ZephClassId id);
  ZephStatus (*SetUser)(ZephObject* self, ZephText name);
  ZephStatus (*SetPassword)(ZephObject* self, ZephText password);
  ZephStatus (*SetCreationSwitchB)(ZephObject* self, ZephBool flag);
  ZephStatus (*SetCreationSwitchC)(ZephObject* self, ZephBool flag);
  ZephStatus (*SetApplicationName)(ZephObject* self, ZephText name);
  ZephStatus (*SetPreLoginOption)(ZephObject* self, int32_t option);
  ZephStatus (*Close)(ZephObject* self);
  ZephStatus (*CheckRight)(ZephObject* self, ZephText right_id, int32_t level, ZephString* text,
                           ZephString* message, ZephBool* granted);
  ZephStatus (*Login)(ZephObject* self, ZephBool* success);
} ZephSetupTable;

/* Warehouse module server. */
typedef struct ZephStockTable {
  ZephStatus (*UpdateAverageSalesRate)(ZephObject* self);
  ZephStatus (*ExchangeSalesData)(ZephObject* self);
  ZephStatus (*ImportAllGoodsBasesFromPelkex)(ZephObject* self, ZephBool* success,
                                              ZephString* message);
  ZephStatus (*ExportIssueDocumentsToPelkex)(ZephObject* self, ZephString* message,
                                             ZephBool* success);
  ZephStatus (*ExportFilesToGefco)(ZephObject* self, int32_t arg, ZephString* message,
                                   ZephBool* success);
  ZephStatus (*ImportConfirmationsFromGefco)(ZephObject* self, int32_t arg, ZephString* message,
                                             ZephBool* success);
  ZephStatus (*ImportStockLevelsFromGefco)(ZephObject* self, int32_t arg, ZephString* message,
                                           ZephBool* success);
  ZephStatus (*ImportConfirmationsAndStockLevelsFromMantis)(ZephObject* self, int32_t arg,
                                                            ZephString* message, ZephBool* success);
  ZephStatus (*ImportDeliveryDatesFromUps)(ZephObject* self, int32_t arg, ZephString* message,
                                           ZephBool* success);
  ZephStatus (*ImportDeliveryDatesFromPekaes)(ZephObject* self, int32_t arg, ZephString* message,
                                              ZephBool* success);
  ZephStatus (*ImportDeliveryDatesFromPocztaPolska)(ZephObject* self, int32_t arg,
                                                    ZephString* message, ZephBool* success);
  ZephStatus (*ExportGoodsBaseToCaolin)(ZephObject* self);
  ZephStatus (*ImportDeliveryDatesFromInPost)(ZephObject* self, int32_t arg, ZephString* message,
                                              ZephBool* success);
  ZephStatus (*ImportConfirmationsFromCaolin)(ZephObject* self, int32_t arg, ZephString* message,
                                              ZephBool* success);
  ZephStatus (*ImportStockLevelsFromRovese)(ZephObject* self, int32_t arg, ZephString* message,
                                            ZephBool* success);
  ZephStatus (*ImportDeliveryDatesFromGeis)(ZephObject* self, int32_t arg, ZephString* message,
                                            ZephBool* success);
  ZephStatus (*ImportDeliveryDatesFromInPostShipX)(ZephObject* self, int32_t arg,
                                                   ZephString* message, ZephBool* success);
  ZephStatus (*ImportConfirmationsAndStockLevelsFromMantisEc)(ZephObject* self, int32_t arg,
                                                              ZephString* message,
                                                              ZephBool* success);
  ZephStatus (*ExchangeDataWithGhPsb)(ZephObject* self, int32_t arg, ZephString* message,
                                      ZephBool* success);
  ZephStatus (*ExportStockLevelsToTpp)(ZephObject* self, int32_t arg, ZephBool* flag);
  ZephStatus (*ExportPwDocumentsToTpp)(ZephObject* self, int32_t arg, ZephBool* flag);
  ZephStatus (*ExportOrdersToTpp)(ZephObject* self, int32_t arg, ZephBool* flag);
  ZephStatus (*ExportWzDocumentsToTpp)(ZephObject* self, int32_t arg, ZephBool* flag);
  ZephStatus (*ExportToMantis)(ZephObject* self, int32_t arg1, int32_t arg2, ZephBool goods,
                               ZephBool suppliers, ZephBool customers, ZephString* message,
                               ZephBool* success);
  ZephStatus (*ExportToMantisEc)(ZephObject* self, int32_t arg1, int32_t arg2, ZephBool goods,
                                 ZephBool suppliers, ZephBool customers, ZephString* message,
                                 ZephBool* success);
} ZephStockTable;

/* Report server. */
typedef struct ZephReportTable {
  ZephStatus (*PrintInspectedIssueDocuments)(ZephObject* self, int32_t arg, ZephString* message,
                                             ZephBool* success);
  ZephStatus (*ExportInvoicePrintoutsToPrintHub)(ZephObject* self, ZephBool* flag);
} ZephReportTable;

/* Second report server (daily report). */
typedef struct ZephReport2Table {
  ZephStatus (*CreateDailyReport)(ZephObject* self, ZephText configuration, ZephDate moment,
                                  ZephString* report, ZephString* message, ZephBool* success);
} ZephReport2Table;

/* Dictionaries server. */
typedef struct ZephLexiconTable {
  ZephStatus (*SynchronizeWithCsk)(ZephObject* self, int32_t arg, ZephString* message,
                                   ZephBool* success);
  ZephStatus (*ExportGoodsToPriceCheckers)(ZephObject* self, int32_t arg1, int32_t arg2,
                                           ZephString* message, ZephBool* second_flag,
                                           ZephBool* success);
  ZephStatus (*ExportContractorsToHrc)(ZephObject* self, int32_t arg, ZephString* message,
                                       ZephBool* success);
  ZephStatus (*ImportStarterSalesFromHrc)(ZephObject* self, int32_t arg, ZephString* message,
                                          ZephBool* success);
  ZephStatus (*ImportTppPrices)(ZephObject* self, int32_t arg, ZephBool* flag);
  ZephStatus (*ExportGoodsToTpp)(ZephObject* self, int32_t arg, ZephBool* flag);
  ZephStatus (*ExportContractorsToTpp)(ZephObject* self, int32_t arg, ZephBool* flag);
  ZephStatus (*ImportExternalClassifications)(ZephObject* self, int32_t arg);
  ZephStatus (*ImportExternalPaybackDefinitions)(ZephObject* self, int32_t arg);
  ZephStatus (*ImportExternalConversionFactors)(ZephObject* self, int32_t arg);
  ZephStatus (*ImportExternalInvestmentDictionaries)(ZephObject* self, int32_t arg);
  ZephStatus (*ImportFiscalPrinterGraphics)(ZephObject* self, int32_t arg);
} ZephLexiconTable;

/* Print-centre server. */
typedef struct ZephPrintHubTable {
  ZephStatus (*CopyPrintoutImagesToImageDatabase)(ZephObject* self, ZephString* message,
                                                  ZephBool* success);
  ZephStatus (*ProcessSeparateImageDatabase)(ZephObject* self, ZephString* message,
                                             ZephBool* success);
} ZephPrintHubTable;

/* Till server. */
typedef struct ZephTillTable {
  ZephStatus (*ImportPaymentsFromLedvo)(ZephObject* self, ZephString* message, ZephBool* success);
} ZephTillTable;

/* Invoicing server: created by the program, then obtained back. */
typedef struct ZephInvoicesTable {
  /* configuration: a configuration server of the same library, or null. */
  ZephStatus (*SetConfiguration)(ZephObject* self, ZephObject* configuration);
  ZephStatus (*Finish)(ZephObject* self);
  ZephStatus (*ImportEInvoicesToStagingArea)(ZephObject* self, int32_t arg1, int32_t arg2,
                                             ZephString* message, ZephBool* success);
  ZephStatus (*FiscalizeInStationPool)(ZephObject* self, ZephString* message, ZephBool* success);
  ZephStatus (*ImportEArchiveDocumentsToStagingArea)(ZephObject* self, int32_t arg1, int32_t arg2,
                                                     ZephString* message, ZephBool* success);
  ZephStatus (*ImportReceiptsFromStagingArea)(ZephObject* self);
  ZephStatus (*ExportInvoicesToEDokumenty)(ZephObject* self, ZephString* message,
                                           int32_t* error_count, ZephString* details);
} ZephInvoicesTable;

/* Head-office export server: created by the program. */
typedef struct ZephEksportTessaroTable {
  /* *date_to is in and out. */
  ZephStatus (*ExportToTessaro)(ZephObject* self, ZephDate date_from, ZephDate* date_to,
                                int32_t data_range, int32_t* status);
  ZephStatus (*SetConfiguration)(ZephObject* self, ZephObject* configuration);
  ZephStatus (*SetWorkingDirectory)(ZephObject* self, ZephText directory);
  ZephStatus (*GetErrorMessage)(ZephObject* self, ZephString* message);
  ZephStatus (*GetFileList)(ZephObject* self, ZephString* files);
  ZephStatus (*SetEndDateCorrection)(ZephObject* self, int32_t correction);
  ZephStatus (*Finish)(ZephObject* self);
  /* *end is in and out. */
  ZephStatus (*ExportToAmbro)(ZephObject* self, ZephDate start, ZephDate* end, int32_t arg,
                              ZephBool* success);
} ZephEksportTessaroTable;

/* Processing server: created by the program, never registered. */
typedef struct ZephZephProcTable {
  ZephStatus (*Start)(ZephObject* self);
  ZephStatus (*Finish)(ZephObject* self);
  ZephStatus (*OpenDatabase)(ZephObject* self, ZephText server, ZephText database, ZephText user,
                             ZephText password, int32_t* error_number);
  ZephStatus (*SaveDictionariesToXml)(ZephObject* self, ZephText directory, int32_t classification,
                                      int32_t goods_class, int32_t price_group, ZephString* message,
                                      int32_t* error_number);
} ZephZephProcTable;

/* What a library offers. `interface_version` stays the first member in
 * every version, so that any program can read it. A null table is a class
 * the library does not serve. */
typedef struct ZephHostLibrary {
  int32_t interface_version; /* ZEPH_HOST_INTERFACE_VERSION of the library's build */
  /* Makes one server of a creatable class (Setup, Invoices, EksportTessaro,
   * ZephProc). On failure *object stays null. */
  ZephStatus (*create)(ZephClassId id, ZephObject** object);
  /* Gives back one reference to an object. */
  void (*release)(ZephObject* object);
  /* Frees a text the library made; leaves it empty. */
  void (*free_string)(ZephString* text);
  const ZephSetupTable* setup;
  const ZephStockTable* stock;
  const ZephReportTable* report;
  const ZephReport2Table* report2;
  const ZephLexiconTable* lexicon;
  const ZephPrintHubTable* print_hub;
  const ZephTillTable* till;
  const ZephInvoicesTable* invoices;
  const ZephEksportTessaroTable* eksport_tessaro;
  const ZephZephProcTable* zeph_proc;
} ZephHostLibrary;

/* The type of the exported entry point. */
typedef const ZephHostLibrary* (*ZephHostEntryFn)(void);

#ifdef __cplusplus
}
#endif

#endif /* ZEPHAUTOMAT_HOST_H */
