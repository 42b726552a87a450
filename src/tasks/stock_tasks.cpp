#include "tasks/stock_tasks.h"

namespace zeph {
namespace {

IStock& Stock(IHostObject& server) {
  return As<IStock>(server);
}

}  // namespace

const SingleCall kSalesDataExchange = {
    "Wymiana danych sprzedażowych: ",
    ClassId::Stock,
    [](IHostObject& s, OperationResult&) { return Stock(s).ExchangeSalesData(); },
    SuccessTest::Status,
    "Wymieniono dane: ",
    kNoDeparture};

// The success flag comes first here, the message second.
const SingleCall kGoodsBasesFromPelkex = {"Import wszystkich baz towarowych z Pelkex: ",
                                          ClassId::Stock,
                                          [](IHostObject& s, OperationResult& r) {
                                            return Stock(s).ImportAllGoodsBasesFromPelkex(
                                                &r.success, &r.message);
                                          },
                                          SuccessTest::Flag,
                                          kDoneLabel,
                                          kNoDeparture};

const SingleCall kIssueDocumentsToPelkex = {"Eksport dokumentów wydania do Pelkex: ",
                                            ClassId::Stock,
                                            [](IHostObject& s, OperationResult& r) {
                                              return Stock(s).ExportIssueDocumentsToPelkex(
                                                  &r.message, &r.success);
                                            },
                                            SuccessTest::Flag,
                                            kDoneLabel,
                                            kNoDeparture};

const SingleCall kGefcoExport = {"Eksport plików do Gefco: ",
                                 ClassId::Stock,
                                 [](IHostObject& s, OperationResult& r) {
                                   return Stock(s).ExportFilesToGefco(-1, &r.message, &r.success);
                                 },
                                 SuccessTest::Flag,
                                 kDoneLabel,
                                 kNoDeparture};

const SingleCall kGefcoConfirmations = {"Import plików potwierdzeń z Gefco: ",
                                        ClassId::Stock,
                                        [](IHostObject& s, OperationResult& r) {
                                          return Stock(s).ImportConfirmationsFromGefco(
                                              -1, &r.message, &r.success);
                                        },
                                        SuccessTest::Flag,
                                        kDoneLabel,
                                        kNoDeparture};

const SingleCall kGefcoStockLevels = {"Import plików stanów magazynowych z Gefco: ",
                                      ClassId::Stock,
                                      [](IHostObject& s, OperationResult& r) {
                                        return Stock(s).ImportStockLevelsFromGefco(-1, &r.message,
                                                                                   &r.success);
                                      },
                                      SuccessTest::Flag,
                                      kDoneLabel,
                                      kNoDeparture};

const SingleCall kGhPsbExchange = {"Wymiana danych z GH PSB: ",
                                   ClassId::Stock,
                                   [](IHostObject& s, OperationResult& r) {
                                     return Stock(s).ExchangeDataWithGhPsb(-1, &r.message,
                                                                           &r.success);
                                   },
                                   SuccessTest::Flag,
                                   kDoneLabel,
                                   kNoDeparture};

const SingleCall kMantisImport = {"Import plików potwierdzeń oraz stanów magazynowych z Mantis: ",
                                  ClassId::Stock,
                                  [](IHostObject& s, OperationResult& r) {
                                    return Stock(s).ImportConfirmationsAndStockLevelsFromMantis(
                                        -1, &r.message, &r.success);
                                  },
                                  SuccessTest::Flag,
                                  kDoneLabel,
                                  kNoDeparture};

const SingleCall kMantisEcImport = {
    "Import plików potwierdzeń oraz stanów magazynowych z Mantis_EC: ",
    ClassId::Stock,
    [](IHostObject& s, OperationResult& r) {
      return Stock(s).ImportConfirmationsAndStockLevelsFromMantisEc(-1, &r.message, &r.success);
    },
    SuccessTest::Flag,
    kDoneLabel,
    kNoDeparture};

// "towarow" is written without its Polish letter.
const SingleCall kSalesRateUpdate = {
    "Aktualizacja średniego tempa sprzedaży towarow: ",
    ClassId::Stock,
    [](IHostObject& s, OperationResult&) { return Stock(s).UpdateAverageSalesRate(); },
    SuccessTest::Status,
    kDoneLabel,
    kNoDeparture};

const SingleCall kCaolinExport = {
    "Eksport bazy towarowej do Caolin: ",
    ClassId::Stock,
    [](IHostObject& s, OperationResult&) { return Stock(s).ExportGoodsBaseToCaolin(); },
    SuccessTest::Status,
    kDoneLabel,
    kNoDeparture};

// No colon; the header ends in one blank.
const SingleCall kCaolinImport = {"Import potwierdzen z Caolin ",
                                  ClassId::Stock,
                                  [](IHostObject& s, OperationResult& r) {
                                    return Stock(s).ImportConfirmationsFromCaolin(-1, &r.message,
                                                                                  &r.success);
                                  },
                                  SuccessTest::Flag,
                                  kDoneLabel,
                                  kNoDeparture};

const SingleCall kRoveseStockLevels = {"Import stanów magazynowych z Rovese: ",
                                       ClassId::Stock,
                                       [](IHostObject& s, OperationResult& r) {
                                         return Stock(s).ImportStockLevelsFromRovese(-1, &r.message,
                                                                                     &r.success);
                                       },
                                       SuccessTest::Flag,
                                       kDoneLabel,
                                       kRepeatOnce};

const SingleCall kUpsDeliveryDates = {"Import dat dostaw z UPS: ",
                                      ClassId::Stock,
                                      [](IHostObject& s, OperationResult& r) {
                                        return Stock(s).ImportDeliveryDatesFromUps(-1, &r.message,
                                                                                   &r.success);
                                      },
                                      SuccessTest::Flag,
                                      kDoneLabel,
                                      kNoDeparture};

const SingleCall kPekaesDeliveryDates = {"Import dat dostaw z Pekaes: ",
                                         ClassId::Stock,
                                         [](IHostObject& s, OperationResult& r) {
                                           return Stock(s).ImportDeliveryDatesFromPekaes(
                                               -1, &r.message, &r.success);
                                         },
                                         SuccessTest::Flag,
                                         kDoneLabel,
                                         kNoDeparture};

const SingleCall kPocztaPolskaDeliveryDates = {
    "Import dat dostaw z Poczty Polskiej: ",
    ClassId::Stock,
    [](IHostObject& s, OperationResult& r) {
      return Stock(s).ImportDeliveryDatesFromPocztaPolska(-1, &r.message, &r.success);
    },
    SuccessTest::Flag,
    kDoneLabel,
    kNoDeparture};

const SingleCall kInPostDeliveryDates = {"Import dat dostaw z InPost: ",
                                         ClassId::Stock,
                                         [](IHostObject& s, OperationResult& r) {
                                           return Stock(s).ImportDeliveryDatesFromInPost(
                                               -1, &r.message, &r.success);
                                         },
                                         SuccessTest::Flag,
                                         kDoneLabel,
                                         kNoDeparture};

const SingleCall kGeisDeliveryDates = {"Import dat dostaw z GEIS: ",
                                       ClassId::Stock,
                                       [](IHostObject& s, OperationResult& r) {
                                         return Stock(s).ImportDeliveryDatesFromGeis(-1, &r.message,
                                                                                     &r.success);
                                       },
                                       SuccessTest::Flag,
                                       kDoneLabel,
                                       kNoDeparture};

const SingleCall kInPostShipXDeliveryDates = {"Import dat dostaw z InPost ShipX: ",
                                              ClassId::Stock,
                                              [](IHostObject& s, OperationResult& r) {
                                                return Stock(s).ImportDeliveryDatesFromInPostShipX(
                                                    -1, &r.message, &r.success);
                                              },
                                              SuccessTest::Flag,
                                              kDoneLabel,
                                              kNoDeparture};

}  // namespace zeph
