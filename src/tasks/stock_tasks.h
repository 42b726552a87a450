// The warehouse-module tasks: one Stock operation each.
#pragma once

#include "tasks/single_call.h"

namespace zeph {

extern const SingleCall kSalesDataExchange;          // /WDS
extern const SingleCall kGoodsBasesFromPelkex;       // /BTKX
extern const SingleCall kIssueDocumentsToPelkex;     // /WZKX
extern const SingleCall kGefcoExport;                // /GE
extern const SingleCall kGefcoConfirmations;         // /GIP
extern const SingleCall kGefcoStockLevels;           // /GIS
extern const SingleCall kGhPsbExchange;              // /GH
extern const SingleCall kMantisImport;               // /MI
extern const SingleCall kMantisEcImport;             // /MECI
extern const SingleCall kSalesRateUpdate;            // /ATS
extern const SingleCall kCaolinExport;               // /CED
extern const SingleCall kCaolinImport;               // /CID
extern const SingleCall kRoveseStockLevels;          // /RISM
extern const SingleCall kUpsDeliveryDates;           // /IDDU
extern const SingleCall kPekaesDeliveryDates;        // /IDDP
extern const SingleCall kPocztaPolskaDeliveryDates;  // /IDDPP
extern const SingleCall kInPostDeliveryDates;        // /IDDINP
extern const SingleCall kGeisDeliveryDates;          // /IDDG
extern const SingleCall kInPostShipXDeliveryDates;   // /IDDINPS

}  // namespace zeph
