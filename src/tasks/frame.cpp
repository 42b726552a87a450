#include "tasks/frame.h"

#include "log/run_log.h"
#include "util/console.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {

std::string TaskRun::Header(const std::string& text) const {
  return FormatS("[%s].[%s] ", {entry.Serwer, entry.Baza}) + text;
}

void ReportError(TaskRun& run, const std::string& message, const std::string& reason) {
  ConsoleWriteLine("BLAD: " + message);
  run.context.record.TaskError(reason.empty() ? message : message + " (" + reason + ")");
  run.Log(Text1250("BŁĄD: ") + message);
}

bool RunTask(TaskContext& context, TSerwerInformacje& entry, const TaskShape& shape,
             const std::function<void(TaskRun&)>& work) {
  TaskRun run(context, entry);
  context.log.Clear();
  if (!shape.header.empty()) run.Log(run.Header(shape.header));

  try {
    run.session.Create();
    run.logged_in = run.session.Login(entry);
    if (!run.logged_in) throw EWyjatek(Text1250("Logowanie zakończyło się niepowodzeniem."));
    run.session.RefreshParameters();
    if (shape.before_rights) shape.before_rights(run);
    if (shape.check_rights) run.session.CheckExporterRight();
    work(run);
    if (shape.print_ok) ConsoleWriteLine("OK");
  } catch (const std::exception& e) {
    run.outcome = false;
    ReportError(run, e.what(), ReasonOf(e));
    if (shape.after_error) shape.after_error(run, e.what());
  }

  // Closing part. Failures from here on are not the task's: they reach the
  // dispatcher, which ends the run.
  if (shape.summary) {
    shape.summary(run);
  } else if (!shape.summary_label.empty()) {
    run.LogIndented(shape.summary_label + YesNoText(run.outcome));
  }
  context.record.TaskOutcome(run.outcome);
  context.log.Save(context.log_path);

  HostSession& session = run.session;
  auto release_modules = [&] {
    if (!session.Exists()) return;
    for (ClassId id : shape.modules) session.UnregisterModule(id);
  };
  if (shape.release_modules_before_logout) release_modules();
  if (session.Exists() && (run.logged_in || !shape.logout_only_when_logged_in)) session.Logout();
  if (shape.after_logout) shape.after_logout();
  if (!shape.release_modules_before_logout) release_modules();
  if (session.Exists()) {
    for (auto& release : run.created_) release(session);
    session.Release();
  }
  return run.outcome;
}

}  // namespace zeph
