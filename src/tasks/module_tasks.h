// Dictionary, report, invoicing and till tasks: one operation of the
// Lexicon, Report, Invoices or Till server each.
#pragma once

#include "tasks/single_call.h"

namespace zeph {

extern const SingleCall kCskSynchronisation;        // /CSK
extern const SingleCall kPriceCheckerExport;        // /ETDS
extern const SingleCall kHrcContractorsExport;      // /HRCK
extern const SingleCall kHrcStarterSalesImport;     // /HRCD
extern const SingleCall kInspectedDocumentsPrint;   // /DDM
extern const SingleCall kEInvoicesImport;           // /IEDP
extern const SingleCall kEArchiveImport;            // /IDEADP
extern const SingleCall kStationPoolFiscalisation;  // /FWPS
extern const SingleCall kReceiptsImport;            // /IPARPOCZ
extern const SingleCall kLedvoPaymentsImport;       // /FKIZ

}  // namespace zeph
