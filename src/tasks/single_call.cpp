#include "tasks/single_call.h"

#include <memory>
#include <string>

#include "tasks/frame.h"
#include "util/console.h"
#include "util/text.h"

namespace zeph {
namespace {

// Empty the message, obtain the server into `reference`, call, judge.
OperationResult CallOnce(TaskRun& run, const SingleCall& task,
                         std::shared_ptr<IHostObject>& reference) {
  // The Invoices server is the task's own, registered before; obtaining it
  // must not make another.
  const bool create = task.server != ClassId::Invoices;
  return CallModule(run.session, task.server, reference, task.operation, task.test, create);
}

void Work(TaskRun& run, const SingleCall& task) {
  if (task.server == ClassId::Invoices) run.CreateServer<IInvoices>(ClassId::Invoices);
  std::shared_ptr<IHostObject> first;
  OperationResult result;
  if (task.departures & kRepeatOnce) {
    // The first failure is reported nowhere; the second attempt gets a
    // reference of its own.
    try {
      result = CallOnce(run, task, first);
    } catch (const std::exception&) {
      std::shared_ptr<IHostObject> second;
      result = CallOnce(run, task, second);
    }
  } else {
    result = CallOnce(run, task, first);
  }
  if ((task.departures & kArchiveWarning) && !result.message.empty()) {
    const std::string warning =
        "Import zostal wykonany, jednak mogly wystapily problemy z poszczegolnymi "
        "dokumentami.\r\n" +
        HostText(result.message);
    ConsoleWriteLine(warning);
    run.Log(warning);
  }
}

}  // namespace

bool RunSingleCall(TaskContext& context, TSerwerInformacje& entry, const SingleCall& task) {
  TaskShape shape;
  shape.header = Text1250(task.header);
  shape.summary_label = Text1250(task.summary);
  shape.check_rights = !(task.departures & kNoRightsCheck);
  shape.logout_only_when_logged_in = task.departures & kLogoutWhenLoggedIn;
  shape.release_modules_before_logout = task.departures & kReleaseBeforeLogout;
  // The Invoices server is released with the servers the task created.
  if (task.server != ClassId::Invoices) shape.modules = {task.server};
  return RunTask(context, entry, shape, [&task](TaskRun& run) { Work(run, task); });
}

}  // namespace zeph
