#include "tasks/module_tasks.h"

#include "host/host_calls.h"
#include "tasks/frame.h"
#include "tasks/single_call.h"
#include "util/console.h"
#include "util/text.h"

namespace zeph {
namespace {

using ModuleCall = HostStatus (*)(IHostObject&, WideString*, WordBool*);

// How a row departs from the common shape.
enum Departure : unsigned {
  kNone = 0,
  kArchiveWarning = 1,      // a message beside success is shown as a warning
  kLogoutWhenLoggedIn = 2,  // no Logout after a refused login
  kNoRightsCheck = 4,
  kReleaseBeforeLogout = 8,
};

struct ModuleTask {
  Switch task;
  const char* header;  // UTF-8; trailing blanks count
  ClassId server;
  ModuleCall call;
  SuccessTest test;
  const char* summary;
  unsigned departures;
};

constexpr const char* kDone = "Zakończono poprawnie: ";

const ModuleTask kModuleTasks[] = {
    {Switch::CSK, "Synchronizacja z CSK: ", ClassId::Lexicon,
     [](IHostObject& o, WideString* m, WordBool* ok) {
       return As<ILexicon>(o).SynchronizeWithCsk(0, m, ok);
     },
     SuccessTest::Message, "Status: ", kNone},
    {Switch::ETDS, "Eksport towarów do sprawdzarek: ", ClassId::Lexicon,
     [](IHostObject& o, WideString* m, WordBool* ok) {
       WordBool second = kFalse;
       return As<ILexicon>(o).ExportGoodsToPriceCheckers(0, -1, m, &second, ok);
     },
     SuccessTest::Flag, "Status: ", kNone},
    {Switch::HRCK, "Eksport plików do HRC: ", ClassId::Lexicon,
     [](IHostObject& o, WideString* m, WordBool* ok) {
       return As<ILexicon>(o).ExportContractorsToHrc(-1, m, ok);
     },
     SuccessTest::Flag, kDone, kNone},
    {Switch::HRCD, "Import danych o sprzedaży starterów z HRC: ", ClassId::Lexicon,
     [](IHostObject& o, WideString* m, WordBool* ok) {
       return As<ILexicon>(o).ImportStarterSalesFromHrc(-1, m, ok);
     },
     SuccessTest::Flag, kDone, kNone},
    {Switch::DDM, "Wydruk skontrolowanych dokumentów wydania: ", ClassId::Report,
     [](IHostObject& o, WideString* m, WordBool* ok) {
       return As<IReport>(o).PrintInspectedIssueDocuments(-1, m, ok);
     },
     SuccessTest::Flag, "Poprawnie wydrukowano wszystkie dokumenty: ", kNone},
    {Switch::IEDP, "Import eFaktur do poczekalni: ", ClassId::Invoices,
     [](IHostObject& o, WideString* m, WordBool* ok) {
       return As<IInvoices>(o).ImportEInvoicesToStagingArea(-1, 0, m, ok);
     },
     SuccessTest::Flag, kDone, kNone},
    {Switch::IDEADP, "Import dokumentów z eArchiwum do poczekalni: ", ClassId::Invoices,
     [](IHostObject& o, WideString* m, WordBool* ok) {
       return As<IInvoices>(o).ImportEArchiveDocumentsToStagingArea(-1, 0, m, ok);
     },
     SuccessTest::Flag, kDone, kArchiveWarning},
    {Switch::FWPS, "Fiskalizacja w puli stanowisk: ", ClassId::Invoices,
     [](IHostObject& o, WideString* m, WordBool* ok) {
       return As<IInvoices>(o).FiscalizeInStationPool(m, ok);
     },
     SuccessTest::Flag, "Status: ", kLogoutWhenLoggedIn},
    {Switch::IPARPOCZ, "Import paragonów z poczekalni.", ClassId::Invoices,
     [](IHostObject& o, WideString*, WordBool*) {
       return As<IInvoices>(o).ImportReceiptsFromStagingArea();
     },
     SuccessTest::Status, kDone, kNone},
    {Switch::FKIZ, "Import zapłat z Ledvo: ", ClassId::Till,
     [](IHostObject& o, WideString* m, WordBool* ok) {
       return As<ITill>(o).ImportPaymentsFromLedvo(m, ok);
     },
     SuccessTest::TrimmedMessage, kDone,
     kLogoutWhenLoggedIn | kNoRightsCheck | kReleaseBeforeLogout},
};

const ModuleTask* Find(Switch task) {
  for (const auto& row : kModuleTasks) {
    if (row.task == task) return &row;
  }
  return nullptr;
}

void Work(TaskRun& run, const ModuleTask& row) {
  std::shared_ptr<IHostObject> server;
  if (row.server == ClassId::Invoices) {
    // Created and registered by the task, then obtained back; the obtained
    // reference starts empty.
    run.CreateServer<IInvoices>(ClassId::Invoices);
    run.session.Obtain(ClassId::Invoices, server, /*create=*/false);
  } else {
    run.session.Obtain(row.server, server);
  }
  WideString message;
  WordBool success = kFalse;
  Check(row.call(*server, &message, &success));
  JudgeResult(row.test, message, success);
  if ((row.departures & kArchiveWarning) && !message.empty()) {
    const std::string warning =
        "Import zostal wykonany, jednak mogly wystapily problemy z poszczegolnymi "
        "dokumentami.\r\n" +
        HostText(message);
    ConsoleWriteLine(warning);
    run.Log(warning);
  }
}

}  // namespace

bool RunModuleTask(TaskContext& context, TSerwerInformacje& entry, Switch task) {
  const ModuleTask* found = Find(task);
  if (found == nullptr) return false;
  const ModuleTask& row = *found;

  TaskShape shape;
  shape.header = Text1250(row.header);
  shape.summary_label = Text1250(row.summary);
  shape.check_rights = !(row.departures & kNoRightsCheck);
  shape.logout_only_when_logged_in = row.departures & kLogoutWhenLoggedIn;
  shape.release_modules_before_logout = row.departures & kReleaseBeforeLogout;
  if (row.server != ClassId::Invoices) shape.modules = {row.server};
  return RunTask(context, entry, shape, [&row](TaskRun& run) { Work(run, row); });
}

}  // namespace zeph
