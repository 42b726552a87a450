#include "tasks/module_tasks.h"

namespace zeph {

// The success flag is passed but never read: any message fails.
const SingleCall kCskSynchronisation = {"Synchronizacja z CSK: ",
                                        ClassId::Lexicon,
                                        [](IHostObject& o, OperationResult& r) {
                                          return As<ILexicon>(o).SynchronizeWithCsk(0, &r.message,
                                                                                    &r.success);
                                        },
                                        SuccessTest::Message,
                                        "Status: ",
                                        kNoDeparture};

// The second flag the host returns is not read.
const SingleCall kPriceCheckerExport = {"Eksport towarów do sprawdzarek: ",
                                        ClassId::Lexicon,
                                        [](IHostObject& o, OperationResult& r) {
                                          WordBool second = kFalse;
                                          return As<ILexicon>(o).ExportGoodsToPriceCheckers(
                                              0, -1, &r.message, &second, &r.success);
                                        },
                                        SuccessTest::Flag,
                                        "Status: ",
                                        kNoDeparture};

const SingleCall kHrcContractorsExport = {"Eksport plików do HRC: ",
                                          ClassId::Lexicon,
                                          [](IHostObject& o, OperationResult& r) {
                                            return As<ILexicon>(o).ExportContractorsToHrc(
                                                -1, &r.message, &r.success);
                                          },
                                          SuccessTest::Flag,
                                          kDoneLabel,
                                          kNoDeparture};

const SingleCall kHrcStarterSalesImport = {"Import danych o sprzedaży starterów z HRC: ",
                                           ClassId::Lexicon,
                                           [](IHostObject& o, OperationResult& r) {
                                             return As<ILexicon>(o).ImportStarterSalesFromHrc(
                                                 -1, &r.message, &r.success);
                                           },
                                           SuccessTest::Flag,
                                           kDoneLabel,
                                           kNoDeparture};

const SingleCall kInspectedDocumentsPrint = {"Wydruk skontrolowanych dokumentów wydania: ",
                                             ClassId::Report,
                                             [](IHostObject& o, OperationResult& r) {
                                               return As<IReport>(o).PrintInspectedIssueDocuments(
                                                   -1, &r.message, &r.success);
                                             },
                                             SuccessTest::Flag,
                                             "Poprawnie wydrukowano wszystkie dokumenty: ",
                                             kNoDeparture};

const SingleCall kEInvoicesImport = {"Import eFaktur do poczekalni: ",
                                     ClassId::Invoices,
                                     [](IHostObject& o, OperationResult& r) {
                                       return As<IInvoices>(o).ImportEInvoicesToStagingArea(
                                           -1, 0, &r.message, &r.success);
                                     },
                                     SuccessTest::Flag,
                                     kDoneLabel,
                                     kNoDeparture};

const SingleCall kEArchiveImport = {"Import dokumentów z eArchiwum do poczekalni: ",
                                    ClassId::Invoices,
                                    [](IHostObject& o, OperationResult& r) {
                                      return As<IInvoices>(o).ImportEArchiveDocumentsToStagingArea(
                                          -1, 0, &r.message, &r.success);
                                    },
                                    SuccessTest::Flag,
                                    kDoneLabel,
                                    kArchiveWarning};

const SingleCall kStationPoolFiscalisation = {"Fiskalizacja w puli stanowisk: ",
                                              ClassId::Invoices,
                                              [](IHostObject& o, OperationResult& r) {
                                                return As<IInvoices>(o).FiscalizeInStationPool(
                                                    &r.message, &r.success);
                                              },
                                              SuccessTest::Flag,
                                              "Status: ",
                                              kLogoutWhenLoggedIn};

// The header ends in a full stop with no blank after it.
const SingleCall kReceiptsImport = {"Import paragonów z poczekalni.",
                                    ClassId::Invoices,
                                    [](IHostObject& o, OperationResult&) {
                                      return As<IInvoices>(o).ImportReceiptsFromStagingArea();
                                    },
                                    SuccessTest::Status,
                                    kDoneLabel,
                                    kNoDeparture};

// A user without the exporter's right may run it; the flag is not read.
const SingleCall kLedvoPaymentsImport = {
    "Import zapłat z Ledvo: ",
    ClassId::Till,
    [](IHostObject& o, OperationResult& r) {
      return As<ITill>(o).ImportPaymentsFromLedvo(&r.message, &r.success);
    },
    SuccessTest::TrimmedMessage,
    kDoneLabel,
    kLogoutWhenLoggedIn | kNoRightsCheck | kReleaseBeforeLogout};

}  // namespace zeph
