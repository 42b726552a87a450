// The single-call tasks: the task frame around one operation of one module
// server. Each task is one SingleCall row, defined beside its kind (Stock,
// other modules, Mantis exports); the dispatch table points at the row.
#pragma once

#include "config/server_list.h"
#include "host/module_call.h"
#include "tasks/task_context.h"

namespace zeph {

// Calls the row's operation on its server; the message and the success flag
// go to `result`.
using ModuleOperation = HostStatus (*)(IHostObject& server, OperationResult& result);

// Where a row departs from the common frame.
enum SingleCallDeparture : unsigned {
  kNoDeparture = 0,
  kRepeatOnce = 1,           // a failed first attempt is retried once, silently
  kArchiveWarning = 2,       // a message beside success is shown as a warning
  kLogoutWhenLoggedIn = 4,   // no Logout after a refused login
  kNoRightsCheck = 8,        // the exporter's right is not checked
  kReleaseBeforeLogout = 16  // the module server goes before the Logout
};

struct SingleCall {
  const char* header;  // after "[Serwer].[Baza] ", UTF-8; trailing blanks count
  ClassId server;      // Invoices is created and registered by the task itself
  ModuleOperation operation;
  SuccessTest test;
  const char* summary;  // UTF-8
  unsigned departures;  // SingleCallDeparture values
};

// Runs the task of the row for the entry; returns the outcome.
bool RunSingleCall(TaskContext& context, TSerwerInformacje& entry, const SingleCall& task);

// The summary label of most rows.
inline constexpr char kDoneLabel[] = "Zakończono poprawnie: ";

}  // namespace zeph
