// The nightly run of an instance as a Windows Task Scheduler task: the
// task's XML definition, which `schtasks /Create /XML` registers. The task
// starts the run wrapper directly, so the task's last result is the
// wrapper's exit code (0, 1, 2); it never starts a second run while one is
// going, and stops one that overruns its time limit.
#pragma once

#include <string>
#include <vector>

namespace zeph {

struct ScheduledRun {
  std::string name;             // the instance's name; the task is \ZephAutomat\<name>
  std::string account;          // the account the runs use
  std::string start = "02:00";  // local time, HH:MM, every day
  int time_limit_hours = 4;     // a run still going then is stopped
  std::string wrapper;          // path of zephautomat-run.exe
  std::string instance_dir;
  std::vector<std::string> switches;
  std::string record;   // --record FILE
  std::string metrics;  // --metrics FILE
};

// Whether `start` is a time of day HH:MM.
bool IsTimeOfDay(const std::string& start);

// The account's logon in the task: the built-in service accounts run as
// services do; any other account without a stored password (S4U), which
// reaches the mail server with the credentials serwery.ini gives.
const char* LogonTypeOf(const std::string& account);

// The task's path in the Task Scheduler library.
std::string TaskPath(const std::string& name);

// The wrapper's arguments as the task passes them.
std::vector<std::string> WrapperArguments(const ScheduledRun& run);

// The task's definition (Task Scheduler schema 1.2), as text in the code
// page of the strings given; the caller stores it as UTF-16, which the
// declaration names.
std::string TaskDefinition(const ScheduledRun& run);

}  // namespace zeph
