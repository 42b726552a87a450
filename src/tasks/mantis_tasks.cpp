#include "tasks/mantis_tasks.h"

namespace zeph {
namespace {

enum class MantisTarget { Mantis, MantisEc };
enum class DataSet { Suppliers, Customers, GoodsBase };

WordBool Selected(DataSet set, DataSet wanted) {
  return set == wanted ? kTrue : kFalse;
}

// The host takes the data set as three Booleans: goods base, suppliers,
// customers.
template <MantisTarget Target, DataSet Set>
HostStatus Export(IHostObject& server, OperationResult& r) {
  IStock& stock = As<IStock>(server);
  const WordBool goods = Selected(Set, DataSet::GoodsBase);
  const WordBool suppliers = Selected(Set, DataSet::Suppliers);
  const WordBool customers = Selected(Set, DataSet::Customers);
  if constexpr (Target == MantisTarget::MantisEc) {
    return stock.ExportToMantisEc(-1, 0, goods, suppliers, customers, &r.message, &r.success);
  }
  return stock.ExportToMantis(-1, 0, goods, suppliers, customers, &r.message, &r.success);
}

using enum MantisTarget;
using enum DataSet;

}  // namespace

// Headers: "Eksport ", the data set's words ("dostawców ", "odbiorców ",
// "bazy towarowej "), then "do Mantis: " or "do Mantis_EC: ".
const SingleCall kMantisSuppliers = {"Eksport dostawców do Mantis: ",
                                     ClassId::Stock,
                                     Export<Mantis, Suppliers>,
                                     SuccessTest::Flag,
                                     kDoneLabel,
                                     kNoDeparture};
const SingleCall kMantisCustomers = {"Eksport odbiorców do Mantis: ",
                                     ClassId::Stock,
                                     Export<Mantis, Customers>,
                                     SuccessTest::Flag,
                                     kDoneLabel,
                                     kNoDeparture};
const SingleCall kMantisGoodsBase = {"Eksport bazy towarowej do Mantis: ",
                                     ClassId::Stock,
                                     Export<Mantis, GoodsBase>,
                                     SuccessTest::Flag,
                                     kDoneLabel,
                                     kNoDeparture};
const SingleCall kMantisEcSuppliers = {"Eksport dostawców do Mantis_EC: ",
                                       ClassId::Stock,
                                       Export<MantisEc, Suppliers>,
                                       SuccessTest::Flag,
                                       kDoneLabel,
                                       kNoDeparture};
const SingleCall kMantisEcCustomers = {"Eksport odbiorców do Mantis_EC: ",
                                       ClassId::Stock,
                                       Export<MantisEc, Customers>,
                                       SuccessTest::Flag,
                                       kDoneLabel,
                                       kNoDeparture};
const SingleCall kMantisEcGoodsBase = {"Eksport bazy towarowej do Mantis_EC: ",
                                       ClassId::Stock,
                                       Export<MantisEc, GoodsBase>,
                                       SuccessTest::Flag,
                                       kDoneLabel,
                                       kNoDeparture};

}  // namespace zeph
