#include "scenario_keys.h"

#include <charconv>
#include <span>

#include "host/host_api.h"
#include "sim_dates.h"
#include "sim_text.h"

namespace sim {
namespace {

// Method names of every class, in interface order.
std::span<const std::string_view> Methods(zeph::ClassId id) {
  using zeph::ClassId;
  static const std::string_view kSetup[] = {"Logout",
                                            "GetLoginValue",
                                            "GetParameter",
                                            "SetConnection",
                                            "SetCreationSwitchA",
                                            "RegisterModule",
                                            "GetModule",
                                            "SetApplication",
                                            "FindRight",
                                            "HasRight",
                                            "GetExceptionHandler",
                                            "SetServer",
                                            "SetDatabase",
                                            "GetBoolParameter",
                                            "UnregisterModule",
                                            "SetUser",
                                            "SetPassword",
                                            "SetCreationSwitchB",
                                            "SetCreationSwitchC",
                                            "SetApplicationName",
                                            "SetPreLoginOption",
                                            "Close",
                                            "CheckRight",
                                            "Login"};
  static const std::string_view kStock[] = {"UpdateAverageSalesRate",
                                            "ExchangeSalesData",
                                            "ImportAllGoodsBasesFromPelkex",
                                            "ExportIssueDocumentsToPelkex",
                                            "ExportFilesToGefco",
                                            "ImportConfirmationsFromGefco",
                                            "ImportStockLevelsFromGefco",
                                            "ImportConfirmationsAndStockLevelsFromMantis",
                                            "ImportDeliveryDatesFromUps",
                                            "ImportDeliveryDatesFromPekaes",
                                            "ImportDeliveryDatesFromPocztaPolska",
                                            "ExportGoodsBaseToCaolin",
                                            "ImportDeliveryDatesFromInPost",
                                            "ImportConfirmationsFromCaolin",
                                            "ImportStockLevelsFromRovese",
                                            "ImportDeliveryDatesFromGeis",
                                            "ImportDeliveryDatesFromInPostShipX",
                                            "ImportConfirmationsAndStockLevelsFromMantisEc",
                                            "ExchangeDataWithGhPsb",
                                            "ExportStockLevelsToTpp",
                                            "ExportPwDocumentsToTpp",
                                            "ExportOrdersToTpp",
                                            "ExportWzDocumentsToTpp",
                                            "ExportToMantis",
                                            "ExportToMantisEc"};
  static const std::string_view kReport[] = {"PrintInspectedIssueDocuments",
                                             "ExportInvoicePrintoutsToPrintHub"};
  static const std::string_view kReport2[] = {"CreateDailyReport"};
  static const std::string_view kLexicon[] = {"SynchronizeWithCsk",
                                              "ExportGoodsToPriceCheckers",
                                              "ExportContractorsToHrc",
                                              "ImportStarterSalesFromHrc",
                                              "ImportTppPrices",
                                              "ExportGoodsToTpp",
                                              "ExportContractorsToTpp",
                                              "ImportExternalClassifications",
                                              "ImportExternalPaybackDefinitions",
                                              "ImportExternalConversionFactors",
                                              "ImportExternalInvestmentDictionaries",
                                              "ImportFiscalPrinterGraphics"};
  static const std::string_view kPrintHub[] = {"CopyPrintoutImagesToImageDatabase",
                                               "ProcessSeparateImageDatabase"};
  static const std::string_view kTill[] = {"ImportPaymentsFromLedvo"};
  static const std::string_view kInvoices[] = {"SetConfiguration",
                                               "Finish",
                                               "ImportEInvoicesToStagingArea",
                                               "FiscalizeInStationPool",
                                               "ImportEArchiveDocumentsToStagingArea",
                                               "ImportReceiptsFromStagingArea",
                                               "ExportInvoicesToEDokumenty"};
  static const std::string_view kEksportTessaro[] = {
      "ExportToTessaro", "SetConfiguration", "SetWorkingDirectory",
      "GetErrorMessage", "GetFileList",      "SetEndDateCorrection",
      "Finish",          "ExportToAmbro"};
  static const std::string_view kZephProc[] = {"Start", "Finish", "OpenDatabase",
                                               "SaveDictionariesToXml"};
  switch (id) {
    case ClassId::Setup:
      return kSetup;
    case ClassId::Stock:
      return kStock;
    case ClassId::Report:
      return kReport;
    case ClassId::Report2:
      return kReport2;
    case ClassId::Lexicon:
      return kLexicon;
    case ClassId::PrintHub:
      return kPrintHub;
    case ClassId::Till:
      return kTill;
    case ClassId::Invoices:
      return kInvoices;
    case ClassId::EksportTessaro:
      return kEksportTessaro;
    case ClassId::ZephProc:
      return kZephProc;
  }
  return kTill;
}

bool FoldedClass(std::string_view folded, zeph::ClassId& out) {
  for (int i = 0; i < zeph::kClassCount; ++i) {
    auto id = static_cast<zeph::ClassId>(i);
    if (Fold(zeph::ClassName(id)) == folded) {
      out = id;
      return true;
    }
  }
  return false;
}

bool StartsWithKeyword(std::string_view value, std::string_view keyword) {
  if (value.size() < keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i) {
    char c = value[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != keyword[i]) return false;
  }
  return true;
}

// Kind of a VALUE key of class `id`, method `method`.
KeyKind ValueKind(zeph::ClassId id, std::string_view method, std::string_view value) {
  using zeph::ClassId;
  struct Row {
    ClassId id;
    std::string_view method;
    std::string_view value;  // empty: any name
    KeyKind kind;
  };
  static const Row kRows[] = {
      {ClassId::Setup, "getparameter", "", KeyKind::kText},
      {ClassId::Setup, "getloginvalue", "", KeyKind::kInteger},
      {ClassId::Setup, "getboolparameter", "", KeyKind::kFlag},
      {ClassId::Setup, "hasright", "", KeyKind::kFlag},
      {ClassId::EksportTessaro, "exporttotessaro", "enddate", KeyKind::kDate},
      {ClassId::EksportTessaro, "exporttotessaro", "files", KeyKind::kText},
      {ClassId::EksportTessaro, "exporttoambro", "enddate", KeyKind::kDateOrUnchanged},
      {ClassId::Report2, "createdailyreport", "text", KeyKind::kText},
      {ClassId::Invoices, "exportinvoicestoedokumenty", "message", KeyKind::kText},
      {ClassId::Invoices, "exportinvoicestoedokumenty", "errorcount", KeyKind::kInteger},
      {ClassId::Invoices, "exportinvoicestoedokumenty", "details", KeyKind::kText},
      {ClassId::ZephProc, "opendatabase", "errornumber", KeyKind::kInteger},
      {ClassId::ZephProc, "savedictionariestoxml", "errornumber", KeyKind::kInteger},
      {ClassId::Lexicon, "exportgoodstopricecheckers", "secondflag", KeyKind::kFlag},
  };
  if (id == ClassId::Setup && method == "getmodule") {
    ClassId module = ClassId::Setup;
    return FoldedClass(value, module) ? KeyKind::kModuleOutcome : KeyKind::kUnknown;
  }
  for (const Row& row : kRows) {
    if (row.id == id && row.method == method && (row.value.empty() || row.value == value)) {
      return row.kind;
    }
  }
  return KeyKind::kUnknown;
}

}  // namespace

KeyKind ClassifyKey(std::string_view object, std::string_view method, std::string_view value,
                    bool host_section) {
  zeph::ClassId id = zeph::ClassId::Setup;
  if (!FoldedClass(object, id)) return KeyKind::kUnknown;
  if (method == "create") {
    bool creatable = id == zeph::ClassId::Setup || id == zeph::ClassId::Invoices ||
                     id == zeph::ClassId::EksportTessaro || id == zeph::ClassId::ZephProc;
    return creatable && value.empty() && host_section ? KeyKind::kCreate : KeyKind::kUnknown;
  }
  bool known = false;
  for (std::string_view name : Methods(id)) known = known || Fold(name) == method;
  if (!known) return KeyKind::kUnknown;
  if (!value.empty()) return ValueKind(id, method, value);
  return id == zeph::ClassId::Setup && method == "getmodule" ? KeyKind::kModuleOutcome
                                                             : KeyKind::kOutcome;
}

std::optional<Outcome> ParseOutcome(std::string_view value) {
  using Kind = Outcome::Kind;
  struct Word {
    std::string_view word;
    Kind kind;
  };
  static const Word kWords[] = {{"status", Kind::kStatus},
                                {"false", Kind::kFalse},
                                {"true", Kind::kTrue},
                                {"none", Kind::kNone},
                                {"ok", Kind::kOk}};
  for (const Word& w : kWords) {
    if (!StartsWithKeyword(value, w.word)) continue;
    std::string_view rest = value.substr(w.word.size());
    if (rest.empty()) {
      if (w.kind == Kind::kStatus) return std::nullopt;
      return Outcome{w.kind, {}};
    }
    bool takes_text = w.kind == Kind::kStatus || w.kind == Kind::kFalse || w.kind == Kind::kTrue;
    if (!takes_text || rest.front() != ':') return std::nullopt;
    rest.remove_prefix(1);
    if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    return Outcome{w.kind, std::string(rest)};
  }
  return std::nullopt;
}

std::optional<int32_t> ParseInteger(std::string_view value) {
  int32_t out = 0;
  const char* begin = value.data();
  const char* end = begin + value.size();
  if (begin != end && *begin == '+') ++begin;
  auto [ptr, ec] = std::from_chars(begin, end, out);
  if (ec != std::errc() || ptr != end || begin == end) return std::nullopt;
  return out;
}

std::optional<bool> ParseFlag(std::string_view value) {
  if (value == "0") return false;
  if (value == "1") return true;
  return std::nullopt;
}

bool IsValidValue(KeyKind kind, std::string_view value) {
  using Kind = Outcome::Kind;
  switch (kind) {
    case KeyKind::kUnknown:
      return false;
    case KeyKind::kText:
      return true;
    case KeyKind::kInteger:
      return ParseInteger(value).has_value();
    case KeyKind::kFlag:
      return ParseFlag(value).has_value();
    case KeyKind::kDate:
      return ParseDotDate(value).has_value();
    case KeyKind::kDateOrUnchanged:
      return Fold(value) == "unchanged" || ParseDotDate(value).has_value();
    case KeyKind::kOutcome: {
      auto outcome = ParseOutcome(value);
      return outcome && outcome->kind != Kind::kNone;
    }
    case KeyKind::kModuleOutcome: {
      auto outcome = ParseOutcome(value);
      return outcome && (outcome->kind == Kind::kOk || outcome->kind == Kind::kNone ||
                         outcome->kind == Kind::kStatus);
    }
    case KeyKind::kCreate: {
      auto outcome = ParseOutcome(value);
      return outcome && (outcome->kind == Kind::kOk || outcome->kind == Kind::kStatus);
    }
  }
  return false;
}

}  // namespace sim
