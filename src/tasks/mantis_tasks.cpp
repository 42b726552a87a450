#include "tasks/mantis_tasks.h"

#include "host/host_calls.h"
#include "tasks/frame.h"
#include "tasks/single_call.h"
#include "util/text.h"

namespace zeph {

bool RunMantisExport(TaskContext& context, TSerwerInformacje& entry, MantisTarget target,
                     bool suppliers, bool customers, bool goods_base) {
  const bool ec = target == MantisTarget::MantisEc;
  TaskShape shape;
  shape.header =
      FormatS(ec ? "Eksport %s%s%sdo Mantis_EC: " : "Eksport %s%s%sdo Mantis: ",
              {suppliers ? Text1250("dostawców ") : "", customers ? Text1250("odbiorców ") : "",
               goods_base ? "bazy towarowej " : ""});
  shape.summary_label = Text1250("Zakończono poprawnie: ");
  shape.modules = {ClassId::Stock};
  return RunTask(context, entry, shape, [&](TaskRun& run) {
    std::shared_ptr<IStock> stock;
    run.session.Obtain(ClassId::Stock, stock);
    WideString message;
    WordBool success = kFalse;
    const WordBool g = goods_base ? kTrue : kFalse;
    const WordBool s = suppliers ? kTrue : kFalse;
    const WordBool c = customers ? kTrue : kFalse;
    Check(ec ? stock->ExportToMantisEc(-1, 0, g, s, c, &message, &success)
             : stock->ExportToMantis(-1, 0, g, s, c, &message, &success));
    JudgeResult(SuccessTest::Flag, message, success);
  });
}

}  // namespace zeph
