// Windows only. The host contract's methods, as the interfaces of
// merkan_sim.idl and merkan_sim_vtbl.idl declare them, each carried to the
// same method of the simulator's core (Forward). One template per server
// class serves both kinds of interface: INTERFACE is the dual one (object
// arguments IDispatch) or the vtable-only one (IUnknown).
#pragma once

#include <type_traits>

#include "arguments.h"
#include "automation.h"
#include "host/host_api.h"
#include "server_object.h"

namespace sim::com {

// The type of object arguments and results: IDispatch where the interface
// is dual, IUnknown where it is not.
template <class Interface>
using ObjectOf = std::conditional_t<std::is_base_of_v<IDispatch, Interface>, IDispatch, IUnknown>;

template <class Interface>
class SetupMethods : public Interface, public ServerObject {
 public:
  using Object = ObjectOf<Interface>;
  using ServerObject::ServerObject;

  HRESULT STDMETHODCALLTYPE Logout() override { return Forward(&zeph::ISetup::Logout); }
  HRESULT STDMETHODCALLTYPE GetLoginValue(BSTR name, VARIANT* value) override {
    return Forward(&zeph::ISetup::GetLoginValue, name, value);
  }
  HRESULT STDMETHODCALLTYPE GetParameter(BSTR name, VARIANT* value) override {
    return Forward(&zeph::ISetup::GetParameter, name, value);
  }
  HRESULT STDMETHODCALLTYPE SetConnection(Object* connection) override {
    return Forward(&zeph::ISetup::SetConnection, connection);
  }
  HRESULT STDMETHODCALLTYPE SetCreationSwitchA(VARIANT_BOOL flag) override {
    return Forward(&zeph::ISetup::SetCreationSwitchA, flag);
  }
  HRESULT STDMETHODCALLTYPE RegisterModule(LONG class_id, Object* server, LONG* result) override {
    return Forward(&zeph::ISetup::RegisterModule, class_id, server, result);
  }
  HRESULT STDMETHODCALLTYPE GetModule(LONG class_id, VARIANT_BOOL create,
                                      Object** server) override {
    return Forward(&zeph::ISetup::GetModule, class_id, create, server);
  }
  HRESULT STDMETHODCALLTYPE SetApplication(Object* application) override {
    return Forward(&zeph::ISetup::SetApplication, application);
  }
  HRESULT STDMETHODCALLTYPE FindRight(BSTR code, LONG level, LONG* handle) override {
    return Forward(&zeph::ISetup::FindRight, code, level, handle);
  }
  HRESULT STDMETHODCALLTYPE HasRight(LONG handle, VARIANT_BOOL* granted) override {
    return Forward(&zeph::ISetup::HasRight, handle, granted);
  }
  HRESULT STDMETHODCALLTYPE GetExceptionHandler(hyper* handler) override {
    return Forward(&zeph::ISetup::GetExceptionHandler, handler);
  }
  HRESULT STDMETHODCALLTYPE SetServer(BSTR name) override {
    return Forward(&zeph::ISetup::SetServer, name);
  }
  HRESULT STDMETHODCALLTYPE SetDatabase(BSTR name) override {
    return Forward(&zeph::ISetup::SetDatabase, name);
  }
  HRESULT STDMETHODCALLTYPE GetBoolParameter(BSTR name, VARIANT_BOOL* value) override {
    return Forward(&zeph::ISetup::GetBoolParameter, name, value);
  }
  HRESULT STDMETHODCALLTYPE UnregisterModule(LONG class_id) override {
    return Forward(&zeph::ISetup::UnregisterModule, class_id);
  }
  HRESULT STDMETHODCALLTYPE SetUser(BSTR name) override {
    return Forward(&zeph::ISetup::SetUser, name);
  }
  HRESULT STDMETHODCALLTYPE SetPassword(BSTR password) override {
    return Forward(&zeph::ISetup::SetPassword, password);
  }
  HRESULT STDMETHODCALLTYPE SetCreationSwitchB(VARIANT_BOOL flag) override {
    return Forward(&zeph::ISetup::SetCreationSwitchB, flag);
  }
  HRESULT STDMETHODCALLTYPE SetCreationSwitchC(VARIANT_BOOL flag) override {
    return Forward(&zeph::ISetup::SetCreationSwitchC, flag);
  }
  HRESULT STDMETHODCALLTYPE SetApplicationName(BSTR name) override {
    return Forward(&zeph::ISetup::SetApplicationName, name);
  }
  HRESULT STDMETHODCALLTYPE SetPreLoginOption(LONG option) override {
    return Forward(&zeph::ISetup::SetPreLoginOption, option);
  }
  HRESULT STDMETHODCALLTYPE Close() override { return Forward(&zeph::ISetup::Close); }
  HRESULT STDMETHODCALLTYPE CheckRight(BSTR right_id, LONG level, BSTR* text, BSTR* message,
                                       VARIANT_BOOL* granted) override {
    return Forward(&zeph::ISetup::CheckRight, right_id, level, text, message, granted);
  }
  HRESULT STDMETHODCALLTYPE Login(VARIANT_BOOL* success) override {
    return Forward(&zeph::ISetup::Login, success);
  }
};

template <class Interface>
class StockMethods : public Interface, public ServerObject {
 public:
  using ServerObject::ServerObject;

  HRESULT STDMETHODCALLTYPE UpdateAverageSalesRate() override {
    return Forward(&zeph::IStock::UpdateAverageSalesRate);
  }
  HRESULT STDMETHODCALLTYPE ExchangeSalesData() override {
    return Forward(&zeph::IStock::ExchangeSalesData);
  }
  HRESULT STDMETHODCALLTYPE ImportAllGoodsBasesFromPelkex(VARIANT_BOOL* success,
                                                          BSTR* message) override {
    return Forward(&zeph::IStock::ImportAllGoodsBasesFromPelkex, success, message);
  }
  HRESULT STDMETHODCALLTYPE ExportIssueDocumentsToPelkex(BSTR* message,
                                                         VARIANT_BOOL* success) override {
    return Forward(&zeph::IStock::ExportIssueDocumentsToPelkex, message, success);
  }
  HRESULT STDMETHODCALLTYPE ExportFilesToGefco(LONG arg, BSTR* message,
                                               VARIANT_BOOL* success) override {
    return Forward(&zeph::IStock::ExportFilesToGefco, arg, message, success);
  }
  HRESULT STDMETHODCALLTYPE ImportConfirmationsFromGefco(LONG arg, BSTR* message,
                                                         VARIANT_BOOL* success) override {
    return Forward(&zeph::IStock::ImportConfirmationsFromGefco, arg, message, success);
  }
  HRESULT STDMETHODCALLTYPE ImportStockLevelsFromGefco(LONG arg, BSTR* message,
                                                       VARIANT_BOOL* success) override {
    return Forward(&zeph::IStock::ImportStockLevelsFromGefco, arg, message, success);
  }
  HRESULT STDMETHODCALLTYPE ImportConfirmationsAndStockLevelsFromMantis(
      LONG arg, BSTR* message, VARIANT_BOOL* success) override {
    return Forward(&zeph::IStock::ImportConfirmationsAndStockLevelsFromMantis, arg, message,
                   success);
  }
  HRESULT STDMETHODCALLTYPE ImportDeliveryDatesFromUps(LONG arg, BSTR* message,
                                                       VARIANT_BOOL* success) override {
    return Forward(&zeph::IStock::ImportDeliveryDatesFromUps, arg, message, success);
  }
  HRESULT STDMETHODCALLTYPE ImportDeliveryDatesFromPekaes(LONG arg, BSTR* message,
                                                          VARIANT_BOOL* success) override {
    return Forward(&zeph::IStock::ImportDeliveryDatesFromPekaes, arg, message, success);
  }
  HRESULT STDMETHODCALLTYPE ImportDeliveryDatesFromPocztaPolska(LONG arg, BSTR* message,
                                                                VARIANT_BOOL* success) override {
    return Forward(&zeph::IStock::ImportDeliveryDatesFromPocztaPolska, arg, message, success);
  }
  HRESULT STDMETHODCALLTYPE ExportGoodsBaseToCaolin() override {
    return Forward(&zeph::IStock::ExportGoodsBaseToCaolin);
  }
  HRESULT STDMETHODCALLTYPE ImportDeliveryDatesFromInPost(LONG arg, BSTR* message,
                                                          VARIANT_BOOL* success) override {
    return Forward(&zeph::IStock::ImportDeliveryDatesFromInPost, arg, message, success);
  }
  HRESULT STDMETHODCALLTYPE ImportConfirmationsFromCaolin(LONG arg, BSTR* message,
                                                          VARIANT_BOOL* success) override {
    return Forward(&zeph::IStock::ImportConfirmationsFromCaolin, arg, message, success);
  }
  HRESULT STDMETHODCALLTYPE ImportStockLevelsFromRovese(LONG arg, BSTR* message,
                                                        VARIANT_BOOL* success) override {
    return Forward(&zeph::IStock::ImportStockLevelsFromRovese, arg, message, success);
  }
  HRESULT STDMETHODCALLTYPE ImportDeliveryDatesFromGeis(LONG arg, BSTR* message,
                                                        VARIANT_BOOL* success) override {
    return Forward(&zeph::IStock::ImportDeliveryDatesFromGeis, arg, message, success);
  }
  HRESULT STDMETHODCALLTYPE ImportDeliveryDatesFromInPostShipX(LONG arg, BSTR* message,
                                                               VARIANT_BOOL* success) override {
    return Forward(&zeph::IStock::ImportDeliveryDatesFromInPostShipX, arg, message, success);
  }
  HRESULT STDMETHODCALLTYPE ImportConfirmationsAndStockLevelsFromMantisEc(
      LONG arg, BSTR* message, VARIANT_BOOL* success) override {
    return Forward(&zeph::IStock::ImportConfirmationsAndStockLevelsFromMantisEc, arg, message,
                   success);
  }
  HRESULT STDMETHODCALLTYPE ExchangeDataWithGhPsb(LONG arg, BSTR* message,
                                                  VARIANT_BOOL* success) override {
    return Forward(&zeph::IStock::ExchangeDataWithGhPsb, arg, message, success);
  }
  HRESULT STDMETHODCALLTYPE ExportStockLevelsToTpp(LONG arg, VARIANT_BOOL* flag) override {
    return Forward(&zeph::IStock::ExportStockLevelsToTpp, arg, flag);
  }
  HRESULT STDMETHODCALLTYPE ExportPwDocumentsToTpp(LONG arg, VARIANT_BOOL* flag) override {
    return Forward(&zeph::IStock::ExportPwDocumentsToTpp, arg, flag);
  }
  HRESULT STDMETHODCALLTYPE ExportOrdersToTpp(LONG arg, VARIANT_BOOL* flag) override {
    return Forward(&zeph::IStock::ExportOrdersToTpp, arg, flag);
  }
  HRESULT STDMETHODCALLTYPE ExportWzDocumentsToTpp(LONG arg, VARIANT_BOOL* flag) override {
    return Forward(&zeph::IStock::ExportWzDocumentsToTpp, arg, flag);
  }
  HRESULT STDMETHODCALLTYPE ExportToMantis(LONG arg, LONG arg2, VARIANT_BOOL goods,
                                           VARIANT_BOOL suppliers, VARIANT_BOOL customers,
                                           BSTR* message, VARIANT_BOOL* success) override {
    return Forward(&zeph::IStock::ExportToMantis, arg, arg2, goods, suppliers, customers, message,
                   success);
  }
  HRESULT STDMETHODCALLTYPE ExportToMantisEc(LONG arg, LONG arg2, VARIANT_BOOL goods,
                                             VARIANT_BOOL suppliers, VARIANT_BOOL customers,
                                             BSTR* message, VARIANT_BOOL* success) override {
    return Forward(&zeph::IStock::ExportToMantisEc, arg, arg2, goods, suppliers, customers, message,
                   success);
  }
};

template <class Interface>
class ReportMethods : public Interface, public ServerObject {
 public:
  using ServerObject::ServerObject;

  HRESULT STDMETHODCALLTYPE PrintInspectedIssueDocuments(LONG arg, BSTR* message,
                                                         VARIANT_BOOL* success) override {
    return Forward(&zeph::IReport::PrintInspectedIssueDocuments, arg, message, success);
  }
  HRESULT STDMETHODCALLTYPE ExportInvoicePrintoutsToPrintHub(VARIANT_BOOL* flag) override {
    return Forward(&zeph::IReport::ExportInvoicePrintoutsToPrintHub, flag);
  }
};

template <class Interface>
class Report2Methods : public Interface, public ServerObject {
 public:
  using ServerObject::ServerObject;

  HRESULT STDMETHODCALLTYPE CreateDailyReport(BSTR configuration, DATE moment, BSTR* report,
                                              BSTR* message, VARIANT_BOOL* success) override {
    return Forward(&zeph::IReport2::CreateDailyReport, configuration, moment, report, message,
                   success);
  }
};

template <class Interface>
class LexiconMethods : public Interface, public ServerObject {
 public:
  using ServerObject::ServerObject;

  HRESULT STDMETHODCALLTYPE SynchronizeWithCsk(LONG arg, BSTR* message,
                                               VARIANT_BOOL* success) override {
    return Forward(&zeph::ILexicon::SynchronizeWithCsk, arg, message, success);
  }
  HRESULT STDMETHODCALLTYPE ExportGoodsToPriceCheckers(LONG arg, LONG arg2, BSTR* message,
                                                       VARIANT_BOOL* second_flag,
                                                       VARIANT_BOOL* success) override {
    return Forward(&zeph::ILexicon::ExportGoodsToPriceCheckers, arg, arg2, message, second_flag,
                   success);
  }
  HRESULT STDMETHODCALLTYPE ExportContractorsToHrc(LONG arg, BSTR* message,
                                                   VARIANT_BOOL* success) override {
    return Forward(&zeph::ILexicon::ExportContractorsToHrc, arg, message, success);
  }
  HRESULT STDMETHODCALLTYPE ImportStarterSalesFromHrc(LONG arg, BSTR* message,
                                                      VARIANT_BOOL* success) override {
    return Forward(&zeph::ILexicon::ImportStarterSalesFromHrc, arg, message, success);
  }
  HRESULT STDMETHODCALLTYPE ImportTppPrices(LONG arg, VARIANT_BOOL* flag) override {
    return Forward(&zeph::ILexicon::ImportTppPrices, arg, flag);
  }
  HRESULT STDMETHODCALLTYPE ExportGoodsToTpp(LONG arg, VARIANT_BOOL* flag) override {
    return Forward(&zeph::ILexicon::ExportGoodsToTpp, arg, flag);
  }
  HRESULT STDMETHODCALLTYPE ExportContractorsToTpp(LONG arg, VARIANT_BOOL* flag) override {
    return Forward(&zeph::ILexicon::ExportContractorsToTpp, arg, flag);
  }
  HRESULT STDMETHODCALLTYPE ImportExternalClassifications(LONG arg) override {
    return Forward(&zeph::ILexicon::ImportExternalClassifications, arg);
  }
  HRESULT STDMETHODCALLTYPE ImportExternalPaybackDefinitions(LONG arg) override {
    return Forward(&zeph::ILexicon::ImportExternalPaybackDefinitions, arg);
  }
  HRESULT STDMETHODCALLTYPE ImportExternalConversionFactors(LONG arg) override {
    return Forward(&zeph::ILexicon::ImportExternalConversionFactors, arg);
  }
  HRESULT STDMETHODCALLTYPE ImportExternalInvestmentDictionaries(LONG arg) override {
    return Forward(&zeph::ILexicon::ImportExternalInvestmentDictionaries, arg);
  }
  HRESULT STDMETHODCALLTYPE ImportFiscalPrinterGraphics(LONG arg) override {
    return Forward(&zeph::ILexicon::ImportFiscalPrinterGraphics, arg);
  }
};

template <class Interface>
class PrintHubMethods : public Interface, public ServerObject {
 public:
  using ServerObject::ServerObject;

  HRESULT STDMETHODCALLTYPE CopyPrintoutImagesToImageDatabase(BSTR* message,
                                                              VARIANT_BOOL* success) override {
    return Forward(&zeph::IPrintHub::CopyPrintoutImagesToImageDatabase, message, success);
  }
  HRESULT STDMETHODCALLTYPE ProcessSeparateImageDatabase(BSTR* message,
                                                         VARIANT_BOOL* success) override {
    return Forward(&zeph::IPrintHub::ProcessSeparateImageDatabase, message, success);
  }
};

template <class Interface>
class TillMethods : public Interface, public ServerObject {
 public:
  using ServerObject::ServerObject;

  HRESULT STDMETHODCALLTYPE ImportPaymentsFromLedvo(BSTR* message, VARIANT_BOOL* success) override {
    return Forward(&zeph::ITill::ImportPaymentsFromLedvo, message, success);
  }
};

template <class Interface>
class InvoicesMethods : public Interface, public ServerObject {
 public:
  using Object = ObjectOf<Interface>;
  using ServerObject::ServerObject;

  HRESULT STDMETHODCALLTYPE SetConfiguration(Object* configuration) override {
    return Forward(&zeph::IInvoices::SetConfiguration, configuration);
  }
  HRESULT STDMETHODCALLTYPE Finish() override { return Forward(&zeph::IInvoices::Finish); }
  HRESULT STDMETHODCALLTYPE ImportEInvoicesToStagingArea(LONG arg, LONG arg2, BSTR* message,
                                                         VARIANT_BOOL* success) override {
    return Forward(&zeph::IInvoices::ImportEInvoicesToStagingArea, arg, arg2, message, success);
  }
  HRESULT STDMETHODCALLTYPE FiscalizeInStationPool(BSTR* message, VARIANT_BOOL* success) override {
    return Forward(&zeph::IInvoices::FiscalizeInStationPool, message, success);
  }
  HRESULT STDMETHODCALLTYPE ImportEArchiveDocumentsToStagingArea(LONG arg, LONG arg2, BSTR* message,
                                                                 VARIANT_BOOL* success) override {
    return Forward(&zeph::IInvoices::ImportEArchiveDocumentsToStagingArea, arg, arg2, message,
                   success);
  }
  HRESULT STDMETHODCALLTYPE ImportReceiptsFromStagingArea() override {
    return Forward(&zeph::IInvoices::ImportReceiptsFromStagingArea);
  }
  HRESULT STDMETHODCALLTYPE ExportInvoicesToEDokumenty(BSTR* message, LONG* error_count,
                                                       BSTR* details) override {
    return Forward(&zeph::IInvoices::ExportInvoicesToEDokumenty, message, error_count, details);
  }
};

template <class Interface>
class EksportTessaroMethods : public Interface, public ServerObject {
 public:
  using Object = ObjectOf<Interface>;
  using ServerObject::ServerObject;

  HRESULT STDMETHODCALLTYPE ExportToTessaro(DATE date_from, DATE* date_to, LONG data_range,
                                            LONG* status) override {
    return Forward(&zeph::IEksportTessaro::ExportToTessaro, date_from, date_to, data_range, status);
  }
  HRESULT STDMETHODCALLTYPE SetConfiguration(Object* configuration) override {
    return Forward(&zeph::IEksportTessaro::SetConfiguration, configuration);
  }
  HRESULT STDMETHODCALLTYPE SetWorkingDirectory(BSTR directory) override {
    return Forward(&zeph::IEksportTessaro::SetWorkingDirectory, directory);
  }
  HRESULT STDMETHODCALLTYPE GetErrorMessage(BSTR* message) override {
    return Forward(&zeph::IEksportTessaro::GetErrorMessage, message);
  }
  HRESULT STDMETHODCALLTYPE GetFileList(BSTR* files) override {
    return Forward(&zeph::IEksportTessaro::GetFileList, files);
  }
  HRESULT STDMETHODCALLTYPE SetEndDateCorrection(LONG correction) override {
    return Forward(&zeph::IEksportTessaro::SetEndDateCorrection, correction);
  }
  HRESULT STDMETHODCALLTYPE Finish() override { return Forward(&zeph::IEksportTessaro::Finish); }
  HRESULT STDMETHODCALLTYPE ExportToAmbro(DATE start, DATE* end, LONG arg,
                                          VARIANT_BOOL* success) override {
    return Forward(&zeph::IEksportTessaro::ExportToAmbro, start, end, arg, success);
  }
};

template <class Interface>
class ZephProcMethods : public Interface, public ServerObject {
 public:
  using ServerObject::ServerObject;

  HRESULT STDMETHODCALLTYPE Start() override { return Forward(&zeph::IZephProc::Start); }
  HRESULT STDMETHODCALLTYPE Finish() override { return Forward(&zeph::IZephProc::Finish); }
  HRESULT STDMETHODCALLTYPE OpenDatabase(BSTR server, BSTR database, BSTR user, BSTR password,
                                         LONG* error_number) override {
    return Forward(&zeph::IZephProc::OpenDatabase, server, database, user, password, error_number);
  }
  HRESULT STDMETHODCALLTYPE SaveDictionariesToXml(BSTR directory, LONG classification,
                                                  LONG goods_class, LONG price_group, BSTR* message,
                                                  LONG* error_number) override {
    return Forward(&zeph::IZephProc::SaveDictionariesToXml, directory, classification, goods_class,
                   price_group, message, error_number);
  }
};

}  // namespace sim::com
