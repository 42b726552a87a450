#include "tools/check/host_method_use.h"

#include <initializer_list>

namespace zeph {
namespace {

struct MethodUse {
  ClassId server;
  const char* method;
  std::initializer_list<Switch> used_by;  // empty: every task
};

using S = Switch;

// One row per method a task calls; the configuration server's frame calls
// serve every task.
const MethodUse kUses[] = {
    {ClassId::Setup, "Logout", {}},
    {ClassId::Setup, "GetLoginValue", {S::EK}},
    {ClassId::Setup, "GetParameter", {}},
    {ClassId::Setup, "SetConnection", {}},
    {ClassId::Setup, "SetCreationSwitchA", {}},
    {ClassId::Setup, "RegisterModule", {}},
    {ClassId::Setup, "GetModule", {}},
    {ClassId::Setup, "SetApplication", {}},
    {ClassId::Setup, "FindRight", {S::PH}},
    {ClassId::Setup, "HasRight", {S::PH}},
    {ClassId::Setup, "GetExceptionHandler", {}},
    {ClassId::Setup, "SetServer", {}},
    {ClassId::Setup, "SetDatabase", {}},
    {ClassId::Setup, "GetBoolParameter", {S::PH, S::KTI}},
    {ClassId::Setup, "UnregisterModule", {}},
    {ClassId::Setup, "SetUser", {}},
    {ClassId::Setup, "SetPassword", {}},
    {ClassId::Setup, "SetCreationSwitchB", {}},
    {ClassId::Setup, "SetCreationSwitchC", {}},
    {ClassId::Setup, "SetApplicationName", {}},
    {ClassId::Setup, "SetPreLoginOption", {}},
    {ClassId::Setup, "Close", {}},
    {ClassId::Setup, "CheckRight", {}},
    {ClassId::Setup, "Login", {}},
    {ClassId::Stock, "UpdateAverageSalesRate", {S::ATS}},
    {ClassId::Stock, "ExchangeSalesData", {S::WDS}},
    {ClassId::Stock, "ImportAllGoodsBasesFromPelkex", {S::BTKX}},
    {ClassId::Stock, "ExportIssueDocumentsToPelkex", {S::WZKX}},
    {ClassId::Stock, "ExportFilesToGefco", {S::GE}},
    {ClassId::Stock, "ImportConfirmationsFromGefco", {S::GIP}},
    {ClassId::Stock, "ImportStockLevelsFromGefco", {S::GIS}},
    {ClassId::Stock, "ImportConfirmationsAndStockLevelsFromMantis", {S::MI}},
    {ClassId::Stock, "ImportDeliveryDatesFromUps", {S::IDDU}},
    {ClassId::Stock, "ImportDeliveryDatesFromPekaes", {S::IDDP}},
    {ClassId::Stock, "ImportDeliveryDatesFromPocztaPolska", {S::IDDPP}},
    {ClassId::Stock, "ExportGoodsBaseToCaolin", {S::CED}},
    {ClassId::Stock, "ImportDeliveryDatesFromInPost", {S::IDDINP}},
    {ClassId::Stock, "ImportConfirmationsFromCaolin", {S::CID}},
    {ClassId::Stock, "ImportStockLevelsFromRovese", {S::RISM}},
    {ClassId::Stock, "ImportDeliveryDatesFromGeis", {S::IDDG}},
    {ClassId::Stock, "ImportDeliveryDatesFromInPostShipX", {S::IDDINPS}},
    {ClassId::Stock, "ImportConfirmationsAndStockLevelsFromMantisEc", {S::MECI}},
    {ClassId::Stock, "ExchangeDataWithGhPsb", {S::GH}},
    {ClassId::Stock, "ExportStockLevelsToTpp", {S::TPP}},
    {ClassId::Stock, "ExportPwDocumentsToTpp", {S::TPP}},
    {ClassId::Stock, "ExportOrdersToTpp", {S::TPP}},
    {ClassId::Stock, "ExportWzDocumentsToTpp", {S::TPP}},
    {ClassId::Stock, "ExportToMantis", {S::MED, S::MEO, S::MET}},
    {ClassId::Stock, "ExportToMantisEc", {S::MECED, S::MECEO, S::MECET}},
    {ClassId::Report, "PrintInspectedIssueDocuments", {S::DDM}},
    {ClassId::Report, "ExportInvoicePrintoutsToPrintHub", {S::PH}},
    {ClassId::Report2, "CreateDailyReport", {S::RD}},
    {ClassId::Lexicon, "SynchronizeWithCsk", {S::CSK}},
    {ClassId::Lexicon, "ExportGoodsToPriceCheckers", {S::ETDS}},
    {ClassId::Lexicon, "ExportContractorsToHrc", {S::HRCK}},
    {ClassId::Lexicon, "ImportStarterSalesFromHrc", {S::HRCD}},
    {ClassId::Lexicon, "ImportTppPrices", {S::TPP}},
    {ClassId::Lexicon, "ExportGoodsToTpp", {S::TPP}},
    {ClassId::Lexicon, "ExportContractorsToTpp", {S::TPP}},
    {ClassId::Lexicon, "ImportExternalClassifications", {S::KTI}},
    {ClassId::Lexicon, "ImportExternalPaybackDefinitions", {S::KTI}},
    {ClassId::Lexicon, "ImportExternalConversionFactors", {S::KTI}},
    {ClassId::Lexicon, "ImportExternalInvestmentDictionaries", {S::KTI}},
    {ClassId::Lexicon, "ImportFiscalPrinterGraphics", {S::KTI}},
    {ClassId::PrintHub, "CopyPrintoutImagesToImageDatabase", {S::PH}},
    {ClassId::PrintHub, "ProcessSeparateImageDatabase", {S::PH}},
    {ClassId::Till, "ImportPaymentsFromLedvo", {S::FKIZ}},
    {ClassId::Invoices, "SetConfiguration", {S::IEDP, S::IDEADP, S::FWPS, S::IPARPOCZ, S::EFED}},
    {ClassId::Invoices, "Finish", {S::IEDP, S::IDEADP, S::FWPS, S::IPARPOCZ, S::EFED}},
    {ClassId::Invoices, "ImportEInvoicesToStagingArea", {S::IEDP}},
    {ClassId::Invoices, "FiscalizeInStationPool", {S::FWPS}},
    {ClassId::Invoices, "ImportEArchiveDocumentsToStagingArea", {S::IDEADP}},
    {ClassId::Invoices, "ImportReceiptsFromStagingArea", {S::IPARPOCZ}},
    {ClassId::Invoices, "ExportInvoicesToEDokumenty", {S::EFED}},
    {ClassId::EksportTessaro, "ExportToTessaro", {S::EK}},
    {ClassId::EksportTessaro, "SetConfiguration", {S::EK, S::MHD}},
    {ClassId::EksportTessaro, "SetWorkingDirectory", {S::EK, S::MHD}},
    {ClassId::EksportTessaro, "GetErrorMessage", {S::EK, S::MHD}},
    {ClassId::EksportTessaro, "GetFileList", {S::EK}},
    {ClassId::EksportTessaro, "SetEndDateCorrection", {S::EK}},
    {ClassId::EksportTessaro, "Finish", {S::EK, S::MHD}},
    {ClassId::EksportTessaro, "ExportToAmbro", {S::MHD}},
    {ClassId::ZephProc, "Start", {S::XML}},
    {ClassId::ZephProc, "Finish", {S::XML}},
    {ClassId::ZephProc, "OpenDatabase", {S::XML}},
    {ClassId::ZephProc, "SaveDictionariesToXml", {S::XML}},
};

bool Called(const MethodUse& use, const SwitchFlags& planned) {
  if (use.used_by.size() == 0) return true;
  for (Switch s : use.used_by) {
    if (planned.Get(s)) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> MethodsCalled(ClassId id, const SwitchFlags& planned) {
  std::vector<std::string> methods;
  for (const MethodUse& use : kUses) {
    if (use.server == id && Called(use, planned)) methods.push_back(use.method);
  }
  return methods;
}

bool ClassUsed(ClassId id, const SwitchFlags& planned) {
  return id == ClassId::Setup || !MethodsCalled(id, planned).empty();
}

std::vector<Switch> SwitchesUsing(ClassId id) {
  std::vector<Switch> switches;
  if (id == ClassId::Setup) return switches;
  for (int i = 0; i < kSwitchCount; ++i) {
    SwitchFlags one;
    one.Set(static_cast<Switch>(i));
    if (ClassUsed(id, one)) switches.push_back(static_cast<Switch>(i));
  }
  return switches;
}

}  // namespace zeph
