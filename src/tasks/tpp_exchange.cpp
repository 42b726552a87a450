#include "tasks/tpp_exchange.h"

#include <memory>
#include <vector>

#include "host/module_call.h"
#include "tasks/frame.h"
#include "util/text.h"

namespace zeph {
namespace {

// The flag the step's operation returns goes to result.success; it is not
// looked at.
using StepCall = HostStatus (*)(IHostObject&, OperationResult&);

// One step of the exchange. The lines are ASCII; trailing blanks count.
struct TppStep {
  ClassId server;
  StepCall call;
  const char* start;
  const char* success;
  const char* failure;
};

const TppStep kSteps[] = {
    {ClassId::Lexicon,
     [](IHostObject& o, OperationResult& r) {
       return As<ILexicon>(o).ExportGoodsToTpp(-1, &r.success);
     },
     "- 1. Eksport towarow - start ", "- Eksport towarow - koniec, status ok",
     "- Eksport towarow - koniec, status blad "},
    {ClassId::Lexicon,
     [](IHostObject& o, OperationResult& r) {
       return As<ILexicon>(o).ImportTppPrices(-1, &r.success);
     },
     "- 2. Import cen PTKW i CTKW - start ", "- Import cen PTKW i CTKW - koniec, status ok",
     "- Import cen PTKW i CTKW - koniec, status blad "},
    {ClassId::Stock,
     [](IHostObject& o, OperationResult& r) {
       return As<IStock>(o).ExportOrdersToTpp(-1, &r.success);
     },
     "- 3. Eksport zamowien - start ", "- Eksport zamowien - koniec, status ok",
     "- Eksport zamowien - koniec, status blad "},
    {ClassId::Lexicon,
     [](IHostObject& o, OperationResult& r) {
       return As<ILexicon>(o).ExportContractorsToTpp(-1, &r.success);
     },
     "- 4. Eksport kontrahentow - start ", "- Eksport kontrahentow - koniec, status ok",
     "- Eksport kontrahentow - koniec, status blad "},
    {ClassId::Stock,
     [](IHostObject& o, OperationResult& r) {
       return As<IStock>(o).ExportPwDocumentsToTpp(-1, &r.success);
     },
     "- 5. Eksport PW - start ", "- Eksport PW - koniec, status ok",
     "- Eksport PW - koniec, status blad "},
    {ClassId::Stock,
     [](IHostObject& o, OperationResult& r) {
       return As<IStock>(o).ExportWzDocumentsToTpp(-1, &r.success);
     },
     "- 6. Eksport WZ - start ", "- Eksport WZ - koniec, status ok",
     "- Eksport WZ - koniec, status blad "},
    {ClassId::Stock,
     [](IHostObject& o, OperationResult& r) {
       return As<IStock>(o).ExportStockLevelsToTpp(-1, &r.success);
     },
     "- 7. Eksport stanow magazynowych - start ",
     "- Eksport stanow magazynowych - koniec, status ok ",
     "- Eksport stanow magazynowych - koniec, status blad "},
};

}  // namespace

bool RunTppExchange(TaskContext& context, TSerwerInformacje& entry) {
  TaskShape shape;
  shape.header = Text1250("Wymiana z TPP: ");
  shape.summary_label = Text1250("Zakończono poprawnie: ");
  shape.modules = {ClassId::Lexicon, ClassId::Stock};
  // Each step obtains its server into a reference of its own.
  std::vector<std::shared_ptr<IHostObject>> servers(std::size(kSteps));
  return RunTask(context, entry, shape, [&servers](TaskRun& run) {
    for (size_t i = 0; i < std::size(kSteps); ++i) {
      const TppStep& step = kSteps[i];
      run.Log(step.start);
      // A failing step is logged and the exchange goes on with the next one;
      // the flag the host returns is not looked at.
      try {
        CallModule(run.session, step.server, servers[i], step.call, SuccessTest::Status);
        run.Log(step.success);
      } catch (const std::exception& e) {
        run.Log(Text1250("BŁĄD: ") + e.what());
        run.Log(step.failure);
        run.outcome = false;
        run.context.record.TaskError(e.what());
      }
    }
  });
}

}  // namespace zeph
