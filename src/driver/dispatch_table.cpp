#include "driver/dispatch_table.h"

#include "tasks/ambro_exchange.h"
#include "tasks/central_export.h"
#include "tasks/classification_imports.h"
#include "tasks/daily_report.h"
#include "tasks/invoice_export.h"
#include "tasks/mantis_tasks.h"
#include "tasks/module_tasks.h"
#include "tasks/print_hub_export.h"
#include "tasks/stock_tasks.h"
#include "tasks/tpp_exchange.h"
#include "tasks/xml_dictionaries.h"

namespace zeph {
namespace {

template <bool (*Run)(TaskContext&, TSerwerInformacje&)>
void Task(TaskContext& c, TSerwerInformacje& e) {
  Run(c, e);
}
template <bool Classifications, bool Payback, bool Factors, bool Investments, bool Graphics>
void Selected(TaskContext& c, TSerwerInformacje& e) {
  RunSelectedImport(c, e, Classifications, Payback, Factors, Investments, Graphics);
}
template <Switch S>
void Stock(TaskContext& c, TSerwerInformacje& e) {
  RunStockTask(c, e, S);
}
template <Switch S>
void Module(TaskContext& c, TSerwerInformacje& e) {
  RunModuleTask(c, e, S);
}
template <MantisTarget T, bool Suppliers, bool Customers, bool Goods>
void Mantis(TaskContext& c, TSerwerInformacje& e) {
  RunMantisExport(c, e, T, Suppliers, Customers, Goods);
}

constexpr MantisTarget kM = MantisTarget::Mantis;
constexpr MantisTarget kEc = MantisTarget::MantisEc;

}  // namespace

const std::vector<DispatchRow>& DispatchTable() {
  static const std::vector<DispatchRow> table = {
      {Switch::EK, Enable::EksportDoPelkTessaro, false, Task<RunCentralExport>},
      {Switch::WDS, Enable::WymianaDanychSpr, false, Stock<Switch::WDS>},
      {Switch::RD, Enable::RaportDzienny, false, Task<RunDailyReport>},
      {Switch::CSK, Enable::SynchronizacjaCSK, false, Module<Switch::CSK>},
      {Switch::MHD, Enable::EksportDoMHD, false, Task<RunAmbroExchange>},
      {Switch::XML, Enable::ZapisSlownikowDoXML, false, Task<RunDictionariesToXml>},
      {Switch::ETDS, Enable::EksportTowarowDoSprawdzarek, false, Module<Switch::ETDS>},
      {Switch::PH, Enable::EksportWydrukowDoPH, false, Task<RunPrintHubExport>},
      {Switch::BTKX, Enable::ImportBazTowarowychZPelkex, false, Stock<Switch::BTKX>},
      {Switch::KTI, Enable::ImportKlasTowZewn, false, Task<RunFullImport>},
      {Switch::KTI, Enable::ImportTylkoKlasTowZewn, true,
       Selected<true, false, false, false, false>},
      {Switch::KTI, Enable::ImportDefPaybackZewn, true, Selected<false, true, false, false, false>},
      {Switch::KTI, Enable::ImportPrzelicznikow, true, Selected<false, false, true, false, false>},
      {Switch::KTI, Enable::ImportDefInwestycji, true, Selected<false, false, false, true, false>},
      {Switch::KTI, Enable::ImportGrafikiDF, true, Selected<false, false, false, false, true>},
      {Switch::WZKX, Enable::EksportDokWydDoPelkex, false, Stock<Switch::WZKX>},
      {Switch::CID, Enable::CaolinImport, false, Stock<Switch::CID>},
      {Switch::CED, Enable::CaolinEksport, false, Stock<Switch::CED>},
      {Switch::GIP, Enable::GefcoImportPotwierdzen, false, Stock<Switch::GIP>},
      {Switch::GIS, Enable::GefcoImportStanow, false, Stock<Switch::GIS>},
      {Switch::GE, Enable::GefcoEksport, false, Stock<Switch::GE>},
      {Switch::GH, Enable::GHWymianaDanych, false, Stock<Switch::GH>},
      {Switch::IEDP, Enable::ImportEFakturDoPoczekalni, false, Module<Switch::IEDP>},
      {Switch::IDEADP, Enable::ImportDokZeArchiwumDoPoczekalni, false, Module<Switch::IDEADP>},
      {Switch::FKIZ, Enable::ImportZaplatFK, false, Module<Switch::FKIZ>},
      {Switch::ATS, Enable::AktualizacjaTempaSprzedazyTowarow, false, Stock<Switch::ATS>},
      {Switch::MED, Enable::MantisEksportDostawcow, false, Mantis<kM, true, false, false>},
      {Switch::MEO, Enable::MantisEksportOdbiorcow, false, Mantis<kM, false, true, false>},
      {Switch::MET, Enable::MantisEksportTowarow, false, Mantis<kM, false, false, true>},
      {Switch::MI, Enable::MantisImport, false, Stock<Switch::MI>},
      {Switch::MECED, Enable::MantisECEksportDostawcow, false, Mantis<kEc, true, false, false>},
      {Switch::MECEO, Enable::MantisECEksportOdbiorcow, false, Mantis<kEc, false, true, false>},
      {Switch::MECET, Enable::MantisECEksportTowarow, false, Mantis<kEc, false, false, true>},
      {Switch::MECI, Enable::MantisECImport, false, Stock<Switch::MECI>},
      {Switch::IDDU, Enable::ImportDatDostawZUPS, false, Stock<Switch::IDDU>},
      {Switch::EFED, Enable::EksportFakturDoSystemuEDokumenty, false, Task<RunInvoiceExport>},
      {Switch::HRCK, Enable::HrcEksportKth, false, Module<Switch::HRCK>},
      {Switch::HRCD, Enable::HrcImportDanychOSprzedazyStarterow, false, Module<Switch::HRCD>},
      {Switch::FWPS, Enable::FiskalizacjaWPuliStanowisk, false, Module<Switch::FWPS>},
      {Switch::IDDP, Enable::ImportDatDostawZPekaes, false, Stock<Switch::IDDP>},
      {Switch::DDM, Enable::DrukujDokumentyMagazynowe, false, Module<Switch::DDM>},
      {Switch::IDDPP, Enable::ImportDatDostawZPocztyPolskiej, false, Stock<Switch::IDDPP>},
      {Switch::IDDINP, Enable::ImportDatDostawZInPost, false, Stock<Switch::IDDINP>},
      {Switch::TPP, Enable::WymianaZTPP, false, Task<RunTppExchange>},
      {Switch::IDDG, Enable::ImportDatDostawZGeis, false, Stock<Switch::IDDG>},
      {Switch::RISM, Enable::RoveseImportStanMag, false, Stock<Switch::RISM>},
      {Switch::IDDINPS, Enable::ImportDatDostawZInPostShipX, false, Stock<Switch::IDDINPS>},
      {Switch::IPARPOCZ, Enable::ImportParagonowZPoczekalni, false, Module<Switch::IPARPOCZ>},
  };
  return table;
}

bool RowApplies(const DispatchRow& row, const SwitchFlags& flags, const TSerwerInformacje& entry) {
  if (!flags.Get(row.task) || entry.Enabled(row.enable) == 0) return false;
  return !row.only_without_full_import || entry.Enabled(Enable::ImportKlasTowZewn) == 0;
}

}  // namespace zeph
