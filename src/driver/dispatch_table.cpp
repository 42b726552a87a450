#include "driver/dispatch_table.h"

#include "tasks/ambro_exchange.h"
#include "tasks/central_export.h"
#include "tasks/classification_imports.h"
#include "tasks/daily_report.h"
#include "tasks/invoice_export.h"
#include "tasks/mantis_tasks.h"
#include "tasks/module_tasks.h"
#include "tasks/print_hub_export.h"
#include "tasks/single_call.h"
#include "tasks/stock_tasks.h"
#include "tasks/tpp_exchange.h"
#include "tasks/xml_dictionaries.h"

namespace zeph {
namespace {

template <bool (*Run)(TaskContext&, TSerwerInformacje&)>
void Task(TaskContext& c, TSerwerInformacje& e) {
  Run(c, e);
}
template <const SingleCall& Row>
void Single(TaskContext& c, TSerwerInformacje& e) {
  RunSingleCall(c, e, Row);
}
template <const ImportSelection& Selection>
void Selected(TaskContext& c, TSerwerInformacje& e) {
  RunSelectedImport(c, e, Selection);
}

}  // namespace

const std::vector<DispatchRow>& DispatchTable() {
  static const std::vector<DispatchRow> table = {
      {Switch::EK, Enable::EksportDoPelkTessaro, false, Task<RunCentralExport>},
      {Switch::WDS, Enable::WymianaDanychSpr, false, Single<kSalesDataExchange>},
      {Switch::RD, Enable::RaportDzienny, false, Task<RunDailyReport>},
      {Switch::CSK, Enable::SynchronizacjaCSK, false, Single<kCskSynchronisation>},
      {Switch::MHD, Enable::EksportDoMHD, false, Task<RunAmbroExchange>},
      {Switch::XML, Enable::ZapisSlownikowDoXML, false, Task<RunDictionariesToXml>},
      {Switch::ETDS, Enable::EksportTowarowDoSprawdzarek, false, Single<kPriceCheckerExport>},
      {Switch::PH, Enable::EksportWydrukowDoPH, false, Task<RunPrintHubExport>},
      {Switch::BTKX, Enable::ImportBazTowarowychZPelkex, false, Single<kGoodsBasesFromPelkex>},
      {Switch::KTI, Enable::ImportKlasTowZewn, false, Task<RunFullImport>},
      {Switch::KTI, Enable::ImportTylkoKlasTowZewn, true, Selected<kOnlyClassifications>},
      {Switch::KTI, Enable::ImportDefPaybackZewn, true, Selected<kOnlyPaybackDefinitions>},
      {Switch::KTI, Enable::ImportPrzelicznikow, true, Selected<kOnlyConversionFactors>},
      {Switch::KTI, Enable::ImportDefInwestycji, true, Selected<kOnlyInvestmentDictionaries>},
      {Switch::KTI, Enable::ImportGrafikiDF, true, Selected<kOnlyGraphics>},
      {Switch::WZKX, Enable::EksportDokWydDoPelkex, false, Single<kIssueDocumentsToPelkex>},
      {Switch::CID, Enable::CaolinImport, false, Single<kCaolinImport>},
      {Switch::CED, Enable::CaolinEksport, false, Single<kCaolinExport>},
      {Switch::GIP, Enable::GefcoImportPotwierdzen, false, Single<kGefcoConfirmations>},
      {Switch::GIS, Enable::GefcoImportStanow, false, Single<kGefcoStockLevels>},
      {Switch::GE, Enable::GefcoEksport, false, Single<kGefcoExport>},
      {Switch::GH, Enable::GHWymianaDanych, false, Single<kGhPsbExchange>},
      {Switch::IEDP, Enable::ImportEFakturDoPoczekalni, false, Single<kEInvoicesImport>},
      {Switch::IDEADP, Enable::ImportDokZeArchiwumDoPoczekalni, false, Single<kEArchiveImport>},
      {Switch::FKIZ, Enable::ImportZaplatFK, false, Single<kLedvoPaymentsImport>},
      {Switch::ATS, Enable::AktualizacjaTempaSprzedazyTowarow, false, Single<kSalesRateUpdate>},
      {Switch::MED, Enable::MantisEksportDostawcow, false, Single<kMantisSuppliers>},
      {Switch::MEO, Enable::MantisEksportOdbiorcow, false, Single<kMantisCustomers>},
      {Switch::MET, Enable::MantisEksportTowarow, false, Single<kMantisGoodsBase>},
      {Switch::MI, Enable::MantisImport, false, Single<kMantisImport>},
      {Switch::MECED, Enable::MantisECEksportDostawcow, false, Single<kMantisEcSuppliers>},
      {Switch::MECEO, Enable::MantisECEksportOdbiorcow, false, Single<kMantisEcCustomers>},
      {Switch::MECET, Enable::MantisECEksportTowarow, false, Single<kMantisEcGoodsBase>},
      {Switch::MECI, Enable::MantisECImport, false, Single<kMantisEcImport>},
      {Switch::IDDU, Enable::ImportDatDostawZUPS, false, Single<kUpsDeliveryDates>},
      {Switch::EFED, Enable::EksportFakturDoSystemuEDokumenty, false, Task<RunInvoiceExport>},
      {Switch::HRCK, Enable::HrcEksportKth, false, Single<kHrcContractorsExport>},
      {Switch::HRCD, Enable::HrcImportDanychOSprzedazyStarterow, false,
       Single<kHrcStarterSalesImport>},
      {Switch::FWPS, Enable::FiskalizacjaWPuliStanowisk, false, Single<kStationPoolFiscalisation>},
      {Switch::IDDP, Enable::ImportDatDostawZPekaes, false, Single<kPekaesDeliveryDates>},
      {Switch::DDM, Enable::DrukujDokumentyMagazynowe, false, Single<kInspectedDocumentsPrint>},
      {Switch::IDDPP, Enable::ImportDatDostawZPocztyPolskiej, false,
       Single<kPocztaPolskaDeliveryDates>},
      {Switch::IDDINP, Enable::ImportDatDostawZInPost, false, Single<kInPostDeliveryDates>},
      {Switch::TPP, Enable::WymianaZTPP, false, Task<RunTppExchange>},
      {Switch::IDDG, Enable::ImportDatDostawZGeis, false, Single<kGeisDeliveryDates>},
      {Switch::RISM, Enable::RoveseImportStanMag, false, Single<kRoveseStockLevels>},
      {Switch::IDDINPS, Enable::ImportDatDostawZInPostShipX, false,
       Single<kInPostShipXDeliveryDates>},
      {Switch::IPARPOCZ, Enable::ImportParagonowZPoczekalni, false, Single<kReceiptsImport>},
  };
  return table;
}

bool RowApplies(const DispatchRow& row, const SwitchFlags& flags, const TSerwerInformacje& entry) {
  if (!flags.Get(row.task) || entry.Enabled(row.enable) == 0) return false;
  return !row.only_without_full_import || entry.Enabled(Enable::ImportKlasTowZewn) == 0;
}

std::vector<Switch> UnusedSwitches(const SwitchFlags& flags,
                                   const std::vector<TSerwerInformacje>& entries) {
  SwitchFlags used;
  for (const TSerwerInformacje& entry : entries) {
    for (const DispatchRow& row : DispatchTable()) {
      if (RowApplies(row, flags, entry)) used.Set(row.task);
    }
  }
  std::vector<Switch> unused;
  for (int i = 0; i < kSwitchCount; ++i) {
    const auto s = static_cast<Switch>(i);
    if (s != Switch::Help && flags.Get(s) && !used.Get(s)) unused.push_back(s);
  }
  return unused;
}

}  // namespace zeph
