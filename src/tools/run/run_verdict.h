// What a run record means for a scheduler and for monitoring: the exit code,
// a short summary for a person, and Prometheus metrics.
#pragma once

#include <string>
#include <vector>

#include "tools/run/json_value.h"

namespace zeph {

// Exit codes of the wrapper.
constexpr int kRunSucceeded = 0;   // a task ran, and every task and every mail succeeded
constexpr int kRunFailed = 1;      // a task or a mail failed, or no task ran
constexpr int kRunIncomplete = 2;  // the run ended early, or left no record

struct TaskVerdict {
  std::string entry, switch_name, enable_key;  // UTF-8
  bool succeeded = true;                       // the task's outcome and every mail of it
  std::string message;                         // why not, on one line
};

struct RunVerdict {
  int exit_code = kRunIncomplete;
  std::vector<TaskVerdict> tasks;
  int tasks_failed = 0;
  int mails_failed = 0;
  bool ended_early = true;
  std::string early_stage;    // "configuration", "task", "run", "start"
  std::string early_message;  // on one line
  double ended_unix = 0;
  double duration_seconds = 0;
  std::vector<std::string> switches_unused;  // requested, but no entry enables them
  bool ran_nothing = false;                  // ended normally without running a task
  // When the last run with exit code 0 ended (Unix time; 0: none known).
  double last_success_unix = 0;
};

// Judges a record the program wrote. A run that ran no task did no work: it
// fails (exit 1), so that the last success stays where it was and a
// schedule that runs nothing night after night is seen. Throws
// std::runtime_error when the document is no run record.
RunVerdict JudgeRecord(const JsonValue& record);

// The verdict of a run that left no record: `why` says what happened.
RunVerdict NoRecord(const std::string& why, double now_unix);

// When the run of an earlier metrics file last succeeded; 0 when it tells
// of none.
double LastSuccessIn(const std::string& metrics_text);

// Lines for standard error: one per task (entry, task, outcome, message),
// a warning per unused switch, one when no task ran, then the end of the run
// and the verdict.
std::vector<std::string> SummaryLines(const RunVerdict& verdict);

// The metrics in Prometheus' text format, every series labelled with the
// instance directory.
std::string MetricsText(const RunVerdict& verdict, const std::string& instance_dir);

}  // namespace zeph
