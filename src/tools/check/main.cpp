// zephautomat-check: checks an instance of the program before a run, without
// writing or creating anything in it. Exit code 0 when the configuration
// would run, 1 when it would not, 2 for a wrong command line.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "driver/dispatch_table.h"
#include "driver/switches.h"
#include "platform/file_system.h"
#include "platform/program_arguments.h"
#include "platform/run_user.h"
#include "platform/shell_command.h"
#include "platform/tool_advice.h"
#include "platform/tool_output.h"
#include "tools/check/components_check.h"
#include "tools/check/findings.h"
#include "tools/check/instance_files_check.h"
#include "tools/check/mail_check.h"
#include "tools/check/plan.h"
#include "tools/check/server_list_check.h"
#include "util/date_time.h"
#include "util/encoding.h"
#include "util/files.h"
#include "util/version.h"

namespace zeph {
namespace {

constexpr const char* kUsage =
    "usage: zephautomat-check [--user NAME] [--mail] INSTANCE_DIR [SWITCHES...]\n"
    "       zephautomat-check --version\n"
    "Checks the instance directory (the one holding the program and its serwery.ini)\n"
    "without writing anything, and prints the plan of a run with the given switches.\n"
    "  --user NAME  judge write permissions for this user (default: the current user)\n"
    "  --mail       also connect to the mail server (EHLO, TLS, login, QUIT; nothing is sent)\n";

// The arguments in UTF-8, as the report shows them (ToolArguments);
// platform::SystemText gives what the system and the program take.
struct Options {
  std::string user;
  bool mail = false;
  std::string dir;
  std::vector<std::string> switches;
};

int Usage(const std::string& problem) {
  std::cerr << "zephautomat-check: " << problem << '\n' << kUsage;
  return 2;
}

int Run(const Options& options) {
  // The formats in force while the program loads serwery.ini.
  FormatSettings& format = ProcessFormat();
  format.decimal_separator = '.';
  format.date_separator = '.';
  format.short_date_format = "yyyy.mm.dd";

  platform::RunUser user = platform::CurrentRunUser();
  if (!options.user.empty() && !platform::LookUpRunUser(platform::SystemText(options.user), user)) {
    return Usage("no user named " + options.user);
  }
  user.name = platform::ToolText(user.name);  // from here on only shown
  const std::string resolved = platform::ResolvedPath(platform::SystemText(options.dir));
  if (resolved.empty() || !DirectoryExists(resolved)) {
    std::cerr << "zephautomat-check: " << options.dir << ": not a directory\n";
    return 1;
  }
  const std::string dir = IncludeTrailingPathDelimiter(resolved);

  SwitchFlags flags;
  for (const std::string& shown : options.switches) ApplySwitch(platform::SystemText(shown), flags);
  const bool any_switch = !options.switches.empty();
  Findings findings;

  std::cout << VersionLine("zephautomat-check") << ": " << platform::ToolText(dir) << " as user "
            << user.name << '\n';
  CheckedServerList list = CheckServerList(dir, user, findings);
  CheckInstanceFiles(dir, user, list.holds_passwords, findings);
  if (options.mail && list.read && NeedsPasswordCommand(list.mail) && !platform::CanRunAs(user)) {
    // Run as the caller, the command would tell nothing of the run's login.
    std::cerr << "zephautomat-check: --mail runs PolecenieHasla as user " << user.name
              << ", as the run would, and this check cannot switch to that user (only root "
                 "can): run it as root, or as "
              << user.name << "\n";
    return 2;
  }
  if (options.mail && list.read) CheckMailServer(list.mail, user, findings);
  // What the run meets first decides what it does: a load that fails runs
  // no task, mail settings that fail leave the tasks running.
  RunOutcome outcome;
  for (const Finding& f : findings.All()) {
    if (f.severity != Severity::kError) continue;
    const bool in_load = f.where.rfind("serwery.ini", 0) == 0 || f.where == platform::ToolText(dir);
    outcome.load_fails = outcome.load_fails || (in_load && !f.mail_only);
    outcome.mail_fails = outcome.mail_fails || f.mail_only;
  }

  std::vector<PlannedTask> plan = PlanRun(flags, list.entries);
  SwitchFlags planned;
  for (const PlannedTask& task : plan) planned.Set(DispatchTable()[task.row].task);
  // Without switches every class listed is checked; with them, the classes
  // of the tasks that will run must be there.
  CheckComponents(dir, planned, any_switch && !plan.empty(), findings);

  findings.Print(std::cout);
  if (any_switch || flags.Get(Switch::Help)) {
    PrintPlan(std::cout, flags, list.entries, plan, outcome);
  }
  int errors = findings.Count(Severity::kError);
  int warnings = findings.Count(Severity::kWarning);
  std::cout << "result: " << errors << (errors == 1 ? " error, " : " errors, ") << warnings
            << (warnings == 1 ? " warning: " : " warnings: ") << "the configuration "
            << (errors == 0 ? "would run" : "would not run as configured") << '\n';
  return errors == 0 ? 0 : 1;
}

}  // namespace
}  // namespace zeph

int main(int argc, char** argv) {
  // The report is UTF-8 with LF line ends on every system.
  zeph::platform::UseBinaryStandardStreams();
  zeph::Options options;
  bool options_done = false;
  const std::vector<std::string> args = zeph::platform::ToolArguments(argc, argv);
  const size_t count = args.size();
  for (size_t i = 0; i < count; ++i) {
    const std::string& arg = args[i];
    if (!options_done && arg == "--") {
      options_done = true;
    } else if (!options_done && arg == "--version") {
      std::cout << zeph::VersionLine("zephautomat-check") << '\n';
      return 0;
    } else if (!options_done && (arg == "--help" || arg == "-h")) {
      std::cout << zeph::kUsage;
      return 0;
    } else if (!options_done && arg == "--mail") {
      options.mail = true;
    } else if (!options_done && arg == "--user") {
      if (i + 1 >= count) return zeph::Usage("--user needs a user name");
      options.user = args[++i];
    } else if (!options_done && arg.rfind("--user=", 0) == 0) {
      options.user = arg.substr(7);
    } else if (!options_done && arg.rfind("--", 0) == 0) {
      return zeph::Usage("unknown option " + arg);
    } else if (options.dir.empty()) {
      options.dir = arg;
    } else {
      options.switches.push_back(arg);
    }
  }
  if (options.dir.empty()) return zeph::Usage("no instance directory given");
  // The verdict zephautomat-run gives: a typo would otherwise run nothing
  // and still look like a good run.
  for (const std::string& argument : options.switches) {
    if (!zeph::IsSwitch(zeph::platform::SystemText(argument))) {
      std::cerr << "zephautomat-check: " << argument << " is no switch of the program (see "
                << zeph::platform::SwitchReference()
                << "); zephautomat-run refuses it and runs nothing\n";
      return 2;
    }
  }
  return zeph::Run(options);
}
