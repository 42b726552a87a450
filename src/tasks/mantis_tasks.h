// Mantis and Mantis_EC master-data exports: one Stock operation per target,
// told which data set to send.
#pragma once

#include "tasks/single_call.h"

namespace zeph {

extern const SingleCall kMantisSuppliers;    // /MED
extern const SingleCall kMantisCustomers;    // /MEO
extern const SingleCall kMantisGoodsBase;    // /MET
extern const SingleCall kMantisEcSuppliers;  // /MECED
extern const SingleCall kMantisEcCustomers;  // /MECEO
extern const SingleCall kMantisEcGoodsBase;  // /MECET

}  // namespace zeph
