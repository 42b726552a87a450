// The warehouse module server: every operation only reports the outcome its
// scenario key gives.
#include "call.h"
#include "servers.h"

namespace sim {

StockServer::StockServer(std::shared_ptr<Database> db)
    : Server(zeph::ClassId::Stock, std::move(db)) {}

HostStatus StockServer::UpdateAverageSalesRate() {
  return Call(*this, "UpdateAverageSalesRate").Plain();
}

HostStatus StockServer::ExchangeSalesData() {
  return Call(*this, "ExchangeSalesData").Plain();
}

HostStatus StockServer::ImportAllGoodsBasesFromPelkex(WordBool* success, WideString* message) {
  return Call(*this, "ImportAllGoodsBasesFromPelkex").MessageFlag(message, success);
}

HostStatus StockServer::ExportIssueDocumentsToPelkex(WideString* message, WordBool* success) {
  return Call(*this, "ExportIssueDocumentsToPelkex").MessageFlag(message, success);
}

HostStatus StockServer::ExportFilesToGefco(int32_t arg, WideString* message, WordBool* success) {
  return Call(*this, "ExportFilesToGefco").Arg(arg).MessageFlag(message, success);
}

HostStatus StockServer::ImportConfirmationsFromGefco(int32_t arg, WideString* message,
                                                     WordBool* success) {
  return Call(*this, "ImportConfirmationsFromGefco").Arg(arg).MessageFlag(message, success);
}

HostStatus StockServer::ImportStockLevelsFromGefco(int32_t arg, WideString* message,
                                                   WordBool* success) {
  return Call(*this, "ImportStockLevelsFromGefco").Arg(arg).MessageFlag(message, success);
}

HostStatus StockServer::ImportConfirmationsAndStockLevelsFromMantis(int32_t arg,
                                                                    WideString* message,
                                                                    WordBool* success) {
  return Call(*this, "ImportConfirmationsAndStockLevelsFromMantis")
      .Arg(arg)
      .MessageFlag(message, success);
}

HostStatus StockServer::ImportDeliveryDatesFromUps(int32_t arg, WideString* message,
                                                   WordBool* success) {
  return Call(*this, "ImportDeliveryDatesFromUps").Arg(arg).MessageFlag(message, success);
}

HostStatus StockServer::ImportDeliveryDatesFromPekaes(int32_t arg, WideString* message,
                                                      WordBool* success) {
  return Call(*this, "ImportDeliveryDatesFromPekaes").Arg(arg).MessageFlag(message, success);
}

HostStatus StockServer::ImportDeliveryDatesFromPocztaPolska(int32_t arg, WideString* message,
                                                            WordBool* success) {
  return Call(*this, "ImportDeliveryDatesFromPocztaPolska").Arg(arg).MessageFlag(message, success);
}

HostStatus StockServer::ExportGoodsBaseToCaolin() {
  return Call(*this, "ExportGoodsBaseToCaolin").Plain();
}

HostStatus StockServer::ImportDeliveryDatesFromInPost(int32_t arg, WideString* message,
                                                      WordBool* success) {
  return Call(*this, "ImportDeliveryDatesFromInPost").Arg(arg).MessageFlag(message, success);
}

HostStatus StockServer::ImportConfirmationsFromCaolin(int32_t arg, WideString* message,
                                                      WordBool* success) {
  return Call(*this, "ImportConfirmationsFromCaolin").Arg(arg).MessageFlag(message, success);
}

HostStatus StockServer::ImportStockLevelsFromRovese(int32_t arg, WideString* message,
                                                    WordBool* success) {
  return Call(*this, "ImportStockLevelsFromRovese").Arg(arg).MessageFlag(message, success);
}

HostStatus StockServer::ImportDeliveryDatesFromGeis(int32_t arg, WideString* message,
                                                    WordBool* success) {
  return Call(*this, "ImportDeliveryDatesFromGeis").Arg(arg).MessageFlag(message, success);
}

HostStatus StockServer::ImportDeliveryDatesFromInPostShipX(int32_t arg, WideString* message,
                                                           WordBool* success) {
  return Call(*this, "ImportDeliveryDatesFromInPostShipX").Arg(arg).MessageFlag(message, success);
}

HostStatus StockServer::ImportConfirmationsAndStockLevelsFromMantisEc(int32_t arg,
                                                                      WideString* message,
                                                                      WordBool* success) {
  return Call(*this, "ImportConfirmationsAndStockLevelsFromMantisEc")
      .Arg(arg)
      .MessageFlag(message, success);
}

HostStatus StockServer::ExchangeDataWithGhPsb(int32_t arg, WideString* message, WordBool* success) {
  return Call(*this, "ExchangeDataWithGhPsb").Arg(arg).MessageFlag(message, success);
}

HostStatus StockServer::ExportStockLevelsToTpp(int32_t arg, WordBool* flag) {
  return Call(*this, "ExportStockLevelsToTpp").Arg(arg).Flag(flag);
}

HostStatus StockServer::ExportPwDocumentsToTpp(int32_t arg, WordBool* flag) {
  return Call(*this, "ExportPwDocumentsToTpp").Arg(arg).Flag(flag);
}

HostStatus StockServer::ExportOrdersToTpp(int32_t arg, WordBool* flag) {
  return Call(*this, "ExportOrdersToTpp").Arg(arg).Flag(flag);
}

HostStatus StockServer::ExportWzDocumentsToTpp(int32_t arg, WordBool* flag) {
  return Call(*this, "ExportWzDocumentsToTpp").Arg(arg).Flag(flag);
}

HostStatus StockServer::ExportToMantis(int32_t arg1, int32_t arg2, WordBool goods,
                                       WordBool suppliers, WordBool customers, WideString* message,
                                       WordBool* success) {
  return Call(*this, "ExportToMantis")
      .Arg(arg1)
      .Arg(arg2)
      .Arg(goods)
      .Arg(suppliers)
      .Arg(customers)
      .MessageFlag(message, success);
}

HostStatus StockServer::ExportToMantisEc(int32_t arg1, int32_t arg2, WordBool goods,
                                         WordBool suppliers, WordBool customers,
                                         WideString* message, WordBool* success) {
  return Call(*this, "ExportToMantisEc")
      .Arg(arg1)
      .Arg(arg2)
      .Arg(goods)
      .Arg(suppliers)
      .Arg(customers)
      .MessageFlag(message, success);
}

}  // namespace sim
