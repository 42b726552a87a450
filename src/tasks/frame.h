// The frame every task runs in: header, configuration server and login,
// parameter refresh, rights check, the task's own work, "OK" or "BLAD: ",
// summary, log file, logout and releases.
//
// The run log lines are cleared as the task's very first step, and a task
// with a fixed header writes it right there, so that no block reaches the log
// file twice and every block names its entry even when the login fails.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/server_list.h"
#include "host/created_server.h"
#include "host/host_api.h"
#include "host/host_session.h"
#include "tasks/task_context.h"

namespace zeph {

class TaskRun;

// Where a task departs from the common shape.
struct TaskShape {
  // Header text after "[%s].[%s] " (Windows-1250); empty: no header line.
  std::string header;
  // Summary label ("Zakończono poprawnie: "); empty: no summary line unless
  // `summary` is given.
  std::string summary_label;
  // Replaces the single summary line.
  std::function<void(TaskRun&)> summary;
  bool check_rights = true;
  bool print_ok = true;
  bool logout_only_when_logged_in = false;
  bool release_modules_before_logout = false;
  // Obtained module servers, unregistered in this order in the closing part.
  std::vector<ClassId> modules;
  // Runs after the parameter refresh, before the rights check.
  std::function<void(TaskRun&)> before_rights;
  // Runs after the standard error report ("BLAD: ", "BŁĄD: ").
  std::function<void(TaskRun&, const std::string& message)> after_error;
  // Runs in the closing part right after Logout (or where it would be), also
  // when the configuration server was never made.
  std::function<void()> after_logout;
};

class TaskRun {
 public:
  TaskRun(TaskContext& task_context, TSerwerInformacje& task_entry)
      : context(task_context), entry(task_entry), session(task_context.host_objects) {}

  TaskContext& context;
  TSerwerInformacje& entry;
  HostSession session;
  bool outcome = true;
  bool logged_in = false;

  void Log(const std::string& text) { context.log.AddLogLine(text, true); }
  void LogIndented(const std::string& text) { context.log.AddLogLine(text, false); }
  // "[Serwer].[Baza] " followed by `text`.
  std::string Header(const std::string& text) const;

  // Creates, configures and registers a server; it is released in the
  // closing part, in creation order.
  template <class T>
  T& CreateServer(ClassId id) {
    auto server = std::make_shared<CreatedServer<T>>(id);
    created_.push_back([server](HostSession& s) { server->Release(s); });
    return server->Create(session);
  }

 private:
  friend bool RunTask(TaskContext&, TSerwerInformacje&, const TaskShape&,
                      const std::function<void(TaskRun&)>&);
  std::vector<std::function<void(HostSession&)>> created_;
};

// Runs `work` inside the frame and returns the outcome. Errors of the work
// and of the login are reported and end the task; errors of the closing
// steps after the log write go on to the caller.
bool RunTask(TaskContext& context, TSerwerInformacje& entry, const TaskShape& shape,
             const std::function<void(TaskRun&)>& work);

// Writes "BLAD: " + message to the console and "BŁĄD: " + message to the log;
// the run record gets the message with the system's reason when one is known.
void ReportError(TaskRun& run, const std::string& message, const std::string& reason = {});

}  // namespace zeph
