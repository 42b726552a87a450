#include "tasks/print_hub_export.h"

#include <memory>

#include "host/module_call.h"
#include "tasks/frame.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

// Right codes of the print centre and of its separate image database.
constexpr char kPrintHubRight[] = "PH";
constexpr int32_t kPrintHubRightLevel = 3;
constexpr char kImageDatabaseRight[] = "PH#BAZA_GRAFICZNYCH_OBRAZOW_WYDRUKOW";
constexpr int32_t kImageDatabaseRightLevel = 2;

// The module must be active and the user must have its right before the
// exporter's right is even checked.
void CheckPrintHubAvailable(TaskRun& run) {
  if (!run.session.GetBoolParameter("MODUL_PRINTHUB")) {
    throw Exception(Text1250("moduł nie jest aktywny"));
  }
  if (!run.session.HasRight(kPrintHubRight, kPrintHubRightLevel)) {
    throw EWyjatek(Text1250("Brak uprawnień do modułu PrintHub."));
  }
}

using PrintHubCall = HostStatus (IPrintHub::*)(WideString*, WordBool*);

// Empties the message, obtains PrintHub, calls, and fails on a false flag.
void CallPrintHub(TaskRun& run, std::shared_ptr<IPrintHub>& reference, PrintHubCall call) {
  CallModule(
      run.session, ClassId::PrintHub, reference,
      [call](IPrintHub& hub, OperationResult& r) { return (hub.*call)(&r.message, &r.success); },
      SuccessTest::Flag);
}

}  // namespace

bool RunPrintHubExport(TaskContext& context, TSerwerInformacje& entry) {
  TaskShape shape;
  shape.header = Text1250("Eksport wydruków faktur do PrintHub: ");
  shape.summary_label = Text1250("Wymieniono dane: ");
  shape.modules = {ClassId::Report, ClassId::PrintHub};
  shape.before_rights = CheckPrintHubAvailable;
  std::shared_ptr<IReport> report;
  std::shared_ptr<IPrintHub> print_hub;
  return RunTask(context, entry, shape, [&](TaskRun& run) {
    // The flag the host returns is not looked at: only the call status counts.
    CallModule(
        run.session, ClassId::Report, report,
        [](IReport& server, OperationResult& r) {
          return server.ExportInvoicePrintoutsToPrintHub(&r.success);
        },
        SuccessTest::Status);
    if (!run.session.GetBoolParameter("PH_ZAPIS_OBRAZOW_WYDRUKOW_KOPII_W_OSOBNEJ_BAZIE")) return;
    // Without the image database right only the copy is skipped.
    if (run.session.HasRight(kImageDatabaseRight, kImageDatabaseRightLevel)) {
      CallPrintHub(run, print_hub, &IPrintHub::CopyPrintoutImagesToImageDatabase);
    }
    CallPrintHub(run, print_hub, &IPrintHub::ProcessSeparateImageDatabase);
  });
}

}  // namespace zeph
