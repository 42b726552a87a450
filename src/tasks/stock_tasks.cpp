#include "tasks/stock_tasks.h"

#include <iterator>

#include "host/host_calls.h"
#include "tasks/frame.h"
#include "tasks/single_call.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

using StockCall = HostStatus (*)(IStock&, WideString*, WordBool*);

struct StockTask {
  Switch task;
  const char* header;  // UTF-8; trailing blanks count
  StockCall call;
  SuccessTest test;
  const char* summary;
  bool repeat_once;  // a failed first attempt is retried once, silently
};

constexpr const char* kDone = "Zakończono poprawnie: ";

const StockTask kStockTasks[] = {
    {Switch::WDS, "Wymiana danych sprzedażowych: ",
     [](IStock& s, WideString*, WordBool*) { return s.ExchangeSalesData(); }, SuccessTest::Status,
     "Wymieniono dane: ", false},
    {Switch::BTKX, "Import wszystkich baz towarowych z Pelkex: ",
     [](IStock& s, WideString* m, WordBool* ok) { return s.ImportAllGoodsBasesFromPelkex(ok, m); },
     SuccessTest::Flag, kDone, false},
    {Switch::WZKX, "Eksport dokumentów wydania do Pelkex: ",
     [](IStock& s, WideString* m, WordBool* ok) { return s.ExportIssueDocumentsToPelkex(m, ok); },
     SuccessTest::Flag, kDone, false},
    {Switch::GE, "Eksport plików do Gefco: ",
     [](IStock& s, WideString* m, WordBool* ok) { return s.ExportFilesToGefco(-1, m, ok); },
     SuccessTest::Flag, kDone, false},
    {Switch::GIP, "Import plików potwierdzeń z Gefco: ",
     [](IStock& s, WideString* m, WordBool* ok) {
       return s.ImportConfirmationsFromGefco(-1, m, ok);
     },
     SuccessTest::Flag, kDone, false},
    {Switch::GIS, "Import plików stanów magazynowych z Gefco: ",
     [](IStock& s, WideString* m, WordBool* ok) { return s.ImportStockLevelsFromGefco(-1, m, ok); },
     SuccessTest::Flag, kDone, false},
    {Switch::GH, "Wymiana danych z GH PSB: ",
     [](IStock& s, WideString* m, WordBool* ok) { return s.ExchangeDataWithGhPsb(-1, m, ok); },
     SuccessTest::Flag, kDone, false},
    {Switch::MI, "Import plików potwierdzeń oraz stanów magazynowych z Mantis: ",
     [](IStock& s, WideString* m, WordBool* ok) {
       return s.ImportConfirmationsAndStockLevelsFromMantis(-1, m, ok);
     },
     SuccessTest::Flag, kDone, false},
    {Switch::MECI, "Import plików potwierdzeń oraz stanów magazynowych z Mantis_EC: ",
     [](IStock& s, WideString* m, WordBool* ok) {
       return s.ImportConfirmationsAndStockLevelsFromMantisEc(-1, m, ok);
     },
     SuccessTest::Flag, kDone, false},
    {Switch::ATS, "Aktualizacja średniego tempa sprzedaży towarow: ",
     [](IStock& s, WideString*, WordBool*) { return s.UpdateAverageSalesRate(); },
     SuccessTest::Status, kDone, false},
    {Switch::CED, "Eksport bazy towarowej do Caolin: ",
     [](IStock& s, WideString*, WordBool*) { return s.ExportGoodsBaseToCaolin(); },
     SuccessTest::Status, kDone, false},
    {Switch::CID, "Import potwierdzen z Caolin ",
     [](IStock& s, WideString* m, WordBool* ok) {
       return s.ImportConfirmationsFromCaolin(-1, m, ok);
     },
     SuccessTest::Flag, kDone, false},
    {Switch::RISM, "Import stanów magazynowych z Rovese: ",
     [](IStock& s, WideString* m, WordBool* ok) {
       return s.ImportStockLevelsFromRovese(-1, m, ok);
     },
     SuccessTest::Flag, kDone, true},
    {Switch::IDDU, "Import dat dostaw z UPS: ",
     [](IStock& s, WideString* m, WordBool* ok) { return s.ImportDeliveryDatesFromUps(-1, m, ok); },
     SuccessTest::Flag, kDone, false},
    {Switch::IDDP, "Import dat dostaw z Pekaes: ",
     [](IStock& s, WideString* m, WordBool* ok) {
       return s.ImportDeliveryDatesFromPekaes(-1, m, ok);
     },
     SuccessTest::Flag, kDone, false},
    {Switch::IDDPP, "Import dat dostaw z Poczty Polskiej: ",
     [](IStock& s, WideString* m, WordBool* ok) {
       return s.ImportDeliveryDatesFromPocztaPolska(-1, m, ok);
     },
     SuccessTest::Flag, kDone, false},
    {Switch::IDDINP, "Import dat dostaw z InPost: ",
     [](IStock& s, WideString* m, WordBool* ok) {
       return s.ImportDeliveryDatesFromInPost(-1, m, ok);
     },
     SuccessTest::Flag, kDone, false},
    {Switch::IDDG, "Import dat dostaw z GEIS: ",
     [](IStock& s, WideString* m, WordBool* ok) {
       return s.ImportDeliveryDatesFromGeis(-1, m, ok);
     },
     SuccessTest::Flag, kDone, false},
    {Switch::IDDINPS, "Import dat dostaw z InPost ShipX: ",
     [](IStock& s, WideString* m, WordBool* ok) {
       return s.ImportDeliveryDatesFromInPostShipX(-1, m, ok);
     },
     SuccessTest::Flag, kDone, false},
};

// Empty the message, obtain Stock into `reference`, call, judge.
void CallOnce(TaskRun& run, const StockTask& task, std::shared_ptr<IStock>& reference) {
  WideString message;
  WordBool success = kFalse;
  IStock& stock = run.session.Obtain(ClassId::Stock, reference);
  Check(task.call(stock, &message, &success));
  JudgeResult(task.test, message, success);
}

}  // namespace

bool RunStockTask(TaskContext& context, TSerwerInformacje& entry, Switch task) {
  const StockTask* found = nullptr;
  for (const auto& row : kStockTasks) {
    if (row.task == task) found = &row;
  }
  if (found == nullptr) return false;
  const StockTask& row = *found;

  TaskShape shape;
  shape.header = Text1250(row.header);
  shape.summary_label = Text1250(row.summary);
  shape.modules = {ClassId::Stock};
  return RunTask(context, entry, shape, [&row](TaskRun& run) {
    std::shared_ptr<IStock> first;
    if (!row.repeat_once) {
      CallOnce(run, row, first);
      return;
    }
    try {
      CallOnce(run, row, first);
    } catch (const std::exception&) {
      std::shared_ptr<IStock> second;
      CallOnce(run, row, second);
    }
  });
}

}  // namespace zeph
