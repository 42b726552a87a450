// Every method of the host's classes by name, class by class, in the order
// of the C function tables of zeph_host.h. Tables that must name every
// method (the COM bridge, the simulator's C interface) are made from these
// lists: X(T, method) for each method, T passed through.
#pragma once

#include "host/zeph_host.h"

#define ZEPH_SETUP_METHODS(X, T) \
  X(T, Logout)                   \
  X(T, GetLoginValue)            \
  X(T, GetParameter)             \
  X(T, SetConnection)            \
  X(T, SetCreationSwitchA)       \
  X(T, RegisterModule)           \
  X(T, GetModule)                \
  X(T, SetApplication)           \
  X(T, FindRight)                \
  X(T, HasRight)                 \
  X(T, GetExceptionHandler)      \
  X(T, SetServer)                \
  X(T, SetDatabase)              \
  X(T, GetBoolParameter)         \
  X(T, UnregisterModule)         \
  X(T, SetUser)                  \
  X(T, SetPassword)              \
  X(T, SetCreationSwitchB)       \
  X(T, SetCreationSwitchC)       \
  X(T, SetApplicationName)       \
  X(T, SetPreLoginOption)        \
  X(T, Close)                    \
  X(T, CheckRight)               \
  X(T, Login)

#define ZEPH_STOCK_METHODS(X, T)                      \
  X(T, UpdateAverageSalesRate)                        \
  X(T, ExchangeSalesData)                             \
  X(T, ImportAllGoodsBasesFromPelkex)                 \
  X(T, ExportIssueDocumentsToPelkex)                  \
  X(T, ExportFilesToGefco)                            \
  X(T, ImportConfirmationsFromGefco)                  \
  X(T, ImportStockLevelsFromGefco)                    \
  X(T, ImportConfirmationsAndStockLevelsFromMantis)   \
  X(T, ImportDeliveryDatesFromUps)                    \
  X(T, ImportDeliveryDatesFromPekaes)                 \
  X(T, ImportDeliveryDatesFromPocztaPolska)           \
  X(T, ExportGoodsBaseToCaolin)                       \
  X(T, ImportDeliveryDatesFromInPost)                 \
  X(T, ImportConfirmationsFromCaolin)                 \
  X(T, ImportStockLevelsFromRovese)                   \
  X(T, ImportDeliveryDatesFromGeis)                   \
  X(T, ImportDeliveryDatesFromInPostShipX)            \
  X(T, ImportConfirmationsAndStockLevelsFromMantisEc) \
  X(T, ExchangeDataWithGhPsb)                         \
  X(T, ExportStockLevelsToTpp)                        \
  X(T, ExportPwDocumentsToTpp)                        \
  X(T, ExportOrdersToTpp)                             \
  X(T, ExportWzDocumentsToTpp)                        \
  X(T, ExportToMantis)                                \
  X(T, ExportToMantisEc)

#define ZEPH_REPORT_METHODS(X, T)    \
  X(T, PrintInspectedIssueDocuments) \
  X(T, ExportInvoicePrintoutsToPrintHub)

#define ZEPH_REPORT2_METHODS(X, T) X(T, CreateDailyReport)

#define ZEPH_LEXICON_METHODS(X, T)           \
  X(T, SynchronizeWithCsk)                   \
  X(T, ExportGoodsToPriceCheckers)           \
  X(T, ExportContractorsToHrc)               \
  X(T, ImportStarterSalesFromHrc)            \
  X(T, ImportTppPrices)                      \
  X(T, ExportGoodsToTpp)                     \
  X(T, ExportContractorsToTpp)               \
  X(T, ImportExternalClassifications)        \
  X(T, ImportExternalPaybackDefinitions)     \
  X(T, ImportExternalConversionFactors)      \
  X(T, ImportExternalInvestmentDictionaries) \
  X(T, ImportFiscalPrinterGraphics)

#define ZEPH_PRINT_HUB_METHODS(X, T)      \
  X(T, CopyPrintoutImagesToImageDatabase) \
  X(T, ProcessSeparateImageDatabase)

#define ZEPH_TILL_METHODS(X, T) X(T, ImportPaymentsFromLedvo)

#define ZEPH_INVOICES_METHODS(X, T)          \
  X(T, SetConfiguration)                     \
  X(T, Finish)                               \
  X(T, ImportEInvoicesToStagingArea)         \
  X(T, FiscalizeInStationPool)               \
  X(T, ImportEArchiveDocumentsToStagingArea) \
  X(T, ImportReceiptsFromStagingArea)        \
  X(T, ExportInvoicesToEDokumenty)

#define ZEPH_EKSPORT_TESSARO_METHODS(X, T) \
  X(T, ExportToTessaro)                    \
  X(T, SetConfiguration)                   \
  X(T, SetWorkingDirectory)                \
  X(T, GetErrorMessage)                    \
  X(T, GetFileList)                        \
  X(T, SetEndDateCorrection)               \
  X(T, Finish)                             \
  X(T, ExportToAmbro)

#define ZEPH_ZEPH_PROC_METHODS(X, T) \
  X(T, Start)                        \
  X(T, Finish)                       \
  X(T, OpenDatabase)                 \
  X(T, SaveDictionariesToXml)

// Every list names as many methods as its table has entries.
#define ZEPH_COUNT_METHOD(T, method) +1  // NOLINT(bugprone-macro-parentheses)
static_assert(0 ZEPH_SETUP_METHODS(ZEPH_COUNT_METHOD, _) ==
              sizeof(ZephSetupTable) / sizeof(void (*)()));
static_assert(0 ZEPH_STOCK_METHODS(ZEPH_COUNT_METHOD, _) ==
              sizeof(ZephStockTable) / sizeof(void (*)()));
static_assert(0 ZEPH_REPORT_METHODS(ZEPH_COUNT_METHOD, _) ==
              sizeof(ZephReportTable) / sizeof(void (*)()));
static_assert(0 ZEPH_REPORT2_METHODS(ZEPH_COUNT_METHOD, _) ==
              sizeof(ZephReport2Table) / sizeof(void (*)()));
static_assert(0 ZEPH_LEXICON_METHODS(ZEPH_COUNT_METHOD, _) ==
              sizeof(ZephLexiconTable) / sizeof(void (*)()));
static_assert(0 ZEPH_PRINT_HUB_METHODS(ZEPH_COUNT_METHOD, _) ==
              sizeof(ZephPrintHubTable) / sizeof(void (*)()));
static_assert(0 ZEPH_TILL_METHODS(ZEPH_COUNT_METHOD, _) ==
              sizeof(ZephTillTable) / sizeof(void (*)()));
static_assert(0 ZEPH_INVOICES_METHODS(ZEPH_COUNT_METHOD, _) ==
              sizeof(ZephInvoicesTable) / sizeof(void (*)()));
static_assert(0 ZEPH_EKSPORT_TESSARO_METHODS(ZEPH_COUNT_METHOD, _) ==
              sizeof(ZephEksportTessaroTable) / sizeof(void (*)()));
static_assert(0 ZEPH_ZEPH_PROC_METHODS(ZEPH_COUNT_METHOD, _) ==
              sizeof(ZephZephProcTable) / sizeof(void (*)()));
#undef ZEPH_COUNT_METHOD
