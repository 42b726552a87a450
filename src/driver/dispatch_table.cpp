#include "driver/dispatch_table.h"

#include "tasks/mantis_tasks.h"
#include "tasks/module_tasks.h"
#include "tasks/stock_tasks.h"

namespace zeph {
namespace {

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
      {Switch::EK, Enable::EksportDoPelkTessaro, false, nullptr},
      {Switch::WDS, Enable::WymianaDanychSpr, false, Stock<Switch::WDS>},
      {Switch::RD, Enable::RaportDzienny, false, nullptr},
      {Switch::CSK, Enable::SynchronizacjaCSK, false, Module<Switch::CSK>},
      {Switch::MHD, Enable::EksportDoMHD, false, nullptr},
      {Switch::XML, Enable::ZapisSlownikowDoXML, false, nullptr},
      {Switch::ETDS, Enable::EksportTowarowDoSprawdzarek, false, Module<Switch::ETDS>},
      {Switch::PH, Enable::EksportWydrukowDoPH, false, nullptr},
      {Switch::BTKX, Enable::ImportBazTowarowychZPelkex, false, Stock<Switch::BTKX>},
      {Switch::KTI, Enable::ImportKlasTowZewn, false, nullptr},
      {Switch::KTI, Enable::ImportTylkoKlasTowZewn, true, nullptr},
      {Switch::KTI, Enable::ImportDefPaybackZewn, true, nullptr},
      {Switch::KTI, Enable::ImportPrzelicznikow, true, nullptr},
      {Switch::KTI, Enable::ImportDefInwestycji, true, nullptr},
      {Switch::KTI, Enable::ImportGrafikiDF, true, nullptr},
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
      {Switch::EFED, Enable::EksportFakturDoSystemuEDokumenty, false, nullptr},
      {Switch::HRCK, Enable::HrcEksportKth, false, Module<Switch::HRCK>},
      {Switch::HRCD, Enable::HrcImportDanychOSprzedazyStarterow, false, Module<Switch::HRCD>},
      {Switch::FWPS, Enable::FiskalizacjaWPuliStanowisk, false, Module<Switch::FWPS>},
      {Switch::IDDP, Enable::ImportDatDostawZPekaes, false, Stock<Switch::IDDP>},
      {Switch::DDM, Enable::DrukujDokumentyMagazynowe, false, Module<Switch::DDM>},
      {Switch::IDDPP, Enable::ImportDatDostawZPocztyPolskiej, false, Stock<Switch::IDDPP>},
      {Switch::IDDINP, Enable::ImportDatDostawZInPost, false, Stock<Switch::IDDINP>},
      {Switch::TPP, Enable::WymianaZTPP, false, nullptr},
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
