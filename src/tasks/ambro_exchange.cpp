#include "tasks/ambro_exchange.h"

#include "config/export_state.h"
#include "host/host_api.h"
#include "host/host_calls.h"
#include "host/host_results.h"
#include "tasks/frame.h"
#include "util/console.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

void Work(TaskRun& run) {
  TSerwerInformacje& entry = run.entry;
  auto& server = run.CreateServer<IEksportTessaro>(ClassId::EksportTessaro);
  Check(server.SetWorkingDirectory(AnsiToWide(entry.KatalogRoboczy)));

  run.Log(run.Header(Text1250("Eksport do MHD: dane bieżące")));
  ConsoleWrite(run.Header("Eksport do MHD: dane biezace... "));
  TDateTime end_date = 0;
  WordBool success = kFalse;
  Check(server.ExportToAmbro(entry.OstatniEksportMHD + 1.0, &end_date, -1, &success));
  if (success == 0) {
    WideString message;
    Check(server.GetErrorMessage(&message));
    run.Log(HostText(message));
    throw Exception("Operation aborted");
  }
  ConsoleWriteLine("OK");
  entry.OstatniEksportMHD = CheckedHostDate(end_date);
  run.context.export_state.Save(entry);
}

}  // namespace

bool RunAmbroExchange(TaskContext& context, TSerwerInformacje& entry) {
  TaskShape shape;
  shape.print_ok = false;  // the progress line is completed by "OK" itself
  return RunTask(context, entry, shape, Work);
}

}  // namespace zeph
