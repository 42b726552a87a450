#include "tools/instance/scheduled_task.h"

#include <algorithm>
#include <cctype>

#include "platform/command_line.h"

namespace zeph {
namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

}  // namespace

bool IsTimeOfDay(const std::string& start) {
  if (start.size() != 5 || start[2] != ':') return false;
  for (const size_t i : {0, 1, 3, 4}) {
    if (!std::isdigit(static_cast<unsigned char>(start[i]))) return false;
  }
  return std::stoi(start.substr(0, 2)) < 24 && std::stoi(start.substr(3, 2)) < 60;
}

const char* LogonTypeOf(const std::string& account) {
  std::string name = Upper(account);
  const std::string authority = "NT AUTHORITY\\";
  if (name.rfind(authority, 0) == 0) name = name.substr(authority.size());
  const bool service = name == "SYSTEM" || name == "LOCAL SERVICE" || name == "NETWORK SERVICE" ||
                       name == "LOCALSERVICE" || name == "NETWORKSERVICE";
  return service ? "ServiceAccount" : "S4U";
}

std::string TaskPath(const std::string& name) {
  return "\\ZephAutomat\\" + name;
}

std::vector<std::string> WrapperArguments(const ScheduledRun& run) {
  std::vector<std::string> arguments{"--quiet",   "--record",  run.record,
                                     "--metrics", run.metrics, run.instance_dir};
  arguments.insert(arguments.end(), run.switches.begin(), run.switches.end());
  return arguments;
}

std::string TaskDefinition(const ScheduledRun& run) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
      "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
      "  <RegistrationInfo>\r\n"
      "    <Description>ZephAutomat: the nightly run of the instance " +
      Escaped(run.instance_dir) +
      " (zephautomat-instance schedule). Last result: the wrapper's exit code, 0 all "
      "succeeded, 1 a task or mail failed, 2 the run ended early or left no record."
      "</Description>\r\n"
      "    <URI>" +
      Escaped(TaskPath(run.name)) +
      "</URI>\r\n"
      "  </RegistrationInfo>\r\n"
      "  <Triggers>\r\n"
      "    <CalendarTrigger>\r\n"
      "      <StartBoundary>2000-01-01T" +
      run.start +
      ":00</StartBoundary>\r\n"
      "      <Enabled>true</Enabled>\r\n"
      "      <ScheduleByDay>\r\n"
      "        <DaysInterval>1</DaysInterval>\r\n"
      "      </ScheduleByDay>\r\n"
      "    </CalendarTrigger>\r\n"
      "  </Triggers>\r\n"
      "  <Principals>\r\n"
      "    <Principal id=\"Runs\">\r\n"
      "      <UserId>" +
      Escaped(run.account) +
      "</UserId>\r\n"
      "      <LogonType>" +
      LogonTypeOf(run.account) +
      "</LogonType>\r\n"
      "      <RunLevel>LeastPrivilege</RunLevel>\r\n"
      "    </Principal>\r\n"
      "  </Principals>\r\n"
      "  <Settings>\r\n"
      "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
      "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
      "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
      "    <AllowHardTerminate>true</AllowHardTerminate>\r\n"
      "    <StartWhenAvailable>true</StartWhenAvailable>\r\n"
      "    <RunOnlyIfNetworkAvailable>false</RunOnlyIfNetworkAvailable>\r\n"
      "    <AllowStartOnDemand>true</AllowStartOnDemand>\r\n"
      "    <Enabled>true</Enabled>\r\n"
      "    <Hidden>false</Hidden>\r\n"
      "    <RunOnlyIfIdle>false</RunOnlyIfIdle>\r\n"
      "    <WakeToRun>false</WakeToRun>\r\n"
      "    <ExecutionTimeLimit>PT" +
      std::to_string(run.time_limit_hours) +
      "H</ExecutionTimeLimit>\r\n"
      "    <Priority>7</Priority>\r\n"
      "  </Settings>\r\n"
      "  <Actions Context=\"Runs\">\r\n"
      "    <Exec>\r\n"
      "      <Command>" +
      Escaped(platform::QuotedArgument(run.wrapper)) +
      "</Command>\r\n"
      "      <Arguments>" +
      Escaped(platform::CommandLine(WrapperArguments(run))) +
      "</Arguments>\r\n"
      "      <WorkingDirectory>" +
      Escaped(run.instance_dir) +
      "</WorkingDirectory>\r\n"
      "    </Exec>\r\n"
      "  </Actions>\r\n"
      "</Task>\r\n";
  return xml;
}

}  // namespace zeph
