// zephautomat-run: runs an instance's program with the given switches and
// turns its run record into an exit code, a summary on standard error and,
// when asked, a copy of the record and a metrics file for monitoring.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/switches.h"
#include "platform/error_text.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/program_arguments.h"
#include "platform/program_launch.h"
#include "platform/run_user.h"
#include "platform/tool_advice.h"
#include "platform/tool_output.h"
#include "tools/run/json_value.h"
#include "tools/run/resend.h"
#include "tools/run/run_verdict.h"
#include "util/encoding.h"
#include "util/files.h"
#include "util/json_text.h"
#include "util/replace_file.h"
#include "util/version.h"

namespace zeph {
namespace {

constexpr const char* kName = "zephautomat-run";
constexpr const char* kUsage =
    "usage: zephautomat-run [--quiet] [--strict] [--record FILE] [--metrics FILE] INSTANCE_DIR "
    "SWITCH...\n"
    "       zephautomat-run --resend RECORD\n"
    "       zephautomat-run --version\n"
    "Runs INSTANCE_DIR/zephautomat with the switches (for example /EK /RD) and exits\n"
    "0 when a task ran and every task and every mail succeeded, 1 when any failed or\n"
    "no task ran, 2 when the run ended early or left no record. The program's\n"
    "console is passed on in UTF-8; a summary goes to standard error. An argument\n"
    "that is no switch is refused.\n"
    "  --quiet         print the summary only when the exit code is not 0\n"
    "  --strict        exit 1 also when a switch ran nothing (no entry enables it)\n"
    "  --record FILE   write the run record (JSON) to FILE\n"
    "  --metrics FILE  write Prometheus metrics to FILE (node exporter textfile collector)\n"
    "  --resend RECORD send again the mails the run of RECORD failed to send, and mark\n"
    "                  in RECORD those the server took\n";

struct Options {
  std::string instance_dir;
  std::vector<std::string> switches;
  std::string record_path;
  std::string metrics_path;
  bool quiet = false;
  bool strict = false;
};

void Say(const std::string& line) {
  std::cerr << kName << ": " << line << std::endl;
}

double NowUnix() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// The record the wrapper writes itself when the program left none.
std::string RecordOfMissingRun(const Options& options, const std::string& why, double now) {
  std::string json = "{\n  \"format\": 1,\n  \"program\": " + JsonQuoted(VersionLine(kName)) +
                     ",\n  \"ended_unix\": " + std::to_string(now) +
                     ",\n  \"duration_seconds\": 0,\n  \"switches\": [";
  for (size_t i = 0; i < options.switches.size(); ++i) {
    json += (i ? ", " : "") + JsonQuoted(options.switches[i]);
  }
  json +=
      "],\n  \"switches_unused\": [],\n  \"tasks\": [],\n  \"ended_early\": {\"stage\": \"start\", "
      "\"message\": " +
      JsonQuoted(why) + "}\n}\n";
  return json;
}

// Passes the program's Windows-1250 console on in UTF-8, so that a journal
// or a terminal shows its letters. One byte is one character, so every piece
// converts on its own. A failure to write is told once.
class ConsoleToUtf8 {
 public:
  void Pass(std::string_view bytes) {
    if (failed_) return;
    if (!WriteAll(platform::StandardOutput(), AnsiToUtf8(bytes))) {
      failed_ = true;
      Say(std::string("cannot pass on the program's console: ") + platform::ErrorText(errno));
    }
  }

 private:
  bool failed_ = false;
};

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  bytes = content.str();
  return true;
}

// Writes a file the operator asked for, a new one with `mode`; false (and
// said so) on failure.
bool WriteRequested(const std::string& what, const std::string& path, const std::string& bytes,
                    unsigned mode) {
  const int error = ReplaceFile(path, bytes, mode);
  if (error == 0) return true;
  Say("cannot write the " + what + " " + platform::ToolText(path) + ": " +
      platform::ErrorText(error));
  return false;
}

// Root runs another user's instance: what the run creates (working
// directories, the log, LOGI/) would be root's, and the user's own runs
// could not write them afterwards.
void WarnOfRootInAnotherUsersInstance(const std::string& instance_dir) {
  platform::FileInfo info;
  if (platform::CurrentRunUser().uid != 0 || !platform::StatPath(instance_dir, info) ||
      info.owner == 0) {
    return;
  }
  const std::string name = platform::UserNameOf(info.owner);
  Say("warning: running as root the instance of " + name +
      "; what this run creates will belong to root, and the runs of " + name +
      " may fail to write it; run as " + name + ": runuser -u " + name + " -- zephautomat-run ...");
}

int Run(const Options& options) {
  const std::string program = options.instance_dir + "/zephautomat" + platform::ExecutableSuffix();
  WarnOfRootInAnotherUsersInstance(options.instance_dir);

  // Overlapping runs of one instance are serialised by the program itself:
  // it locks its directory and waits for the run before it.
  const std::string temporary = platform::TemporaryDirectory();
  const std::string scratch =
      platform::MakeTemporaryDirectory(temporary + "/zephautomat-run.XXXXXX");
  std::string record_bytes;
  RunVerdict verdict;
  std::string why;
  if (scratch.empty()) {
    why = "cannot create a temporary directory in " + platform::ToolText(temporary) + ": " +
          platform::ErrorText(errno);
  } else {
    const std::string record_file = scratch + "/record.json";
    ConsoleToUtf8 console;
    const platform::ProgramEnd end =
        platform::RunProgram(program, options.switches, "ZEPHAUTOMAT_RUN_RECORD", record_file,
                             [&console](std::string_view bytes) { console.Pass(bytes); });
    const bool have_record = ReadWholeFile(record_file, record_bytes);
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    const std::string failure = platform::ToolText(end.failure);  // may name the program's path
    if (!end.started) {
      why = failure;
    } else if (!have_record) {
      why = "the program left no run record" + (failure.empty() ? "" : " (" + failure + ")");
    } else {
      try {
        verdict = JudgeRecord(ParseJson(record_bytes));
        if (!failure.empty()) {
          verdict.exit_code = kRunIncomplete;
          verdict.ended_early = true;
          verdict.early_stage = "end";
          verdict.early_message = failure;
        }
      } catch (const std::exception& e) {
        why = "the run record cannot be read: " + std::string(e.what());
      }
    }
  }
  if (!why.empty()) {
    const double now = NowUnix();
    verdict = NoRecord(why, now);
    record_bytes = RecordOfMissingRun(options, why, now);
  }

  if (options.strict && !verdict.switches_unused.empty() && verdict.exit_code == kRunSucceeded) {
    verdict.exit_code = kRunFailed;
  }
  // The files first: a failure to write them changes the exit code, and the
  // summary tells the one the tool returns.
  if (!options.record_path.empty() &&
      // The record keeps failed mails whole, reports and all: the service
      // user and its group may read it, other users may not.
      !WriteRequested("run record", options.record_path, record_bytes, 0640)) {
    verdict.exit_code = kRunIncomplete;
  }
  if (!options.metrics_path.empty()) {
    std::string earlier;
    if (ReadWholeFile(options.metrics_path, earlier)) {
      verdict.last_success_unix = LastSuccessIn(earlier);
    }
    // Read by the exporter, often as a user of its own.
    if (!WriteRequested("metrics file", options.metrics_path,
                        MetricsText(verdict, platform::ToolText(options.instance_dir)), 0644)) {
      verdict.exit_code = kRunIncomplete;
    }
  }
  if (!options.quiet || verdict.exit_code != kRunSucceeded) {
    for (const std::string& line : SummaryLines(verdict)) Say(line);
  }
  return verdict.exit_code;
}

}  // namespace
}  // namespace zeph

int main(int argc, char** argv) {
  using zeph::kRunIncomplete;
  zeph::Options options;
  // In UTF-8 as the messages show them; what goes on to the system and the
  // program is converted (platform::SystemText).
  const std::vector<std::string> args = zeph::platform::ToolArguments(argc, argv);
  const size_t count = args.size();
  size_t i = 0;
  for (; i < count; ++i) {
    const std::string& argument = args[i];
    if (argument == "--version") {
      std::cout << zeph::VersionLine(zeph::kName) << "\n";
      return 0;
    }
    if (argument == "--help") {
      std::cout << zeph::kUsage;
      return 0;
    }
    if (argument == "--resend" && i + 2 == count) {
      zeph::platform::SetUpUnattendedProcess();
      return zeph::ResendFailedMails(zeph::platform::SystemText(args[i + 1]));
    }
    if (argument == "--quiet" || argument == "--strict") {
      (argument == "--quiet" ? options.quiet : options.strict) = true;
      continue;
    }
    if ((argument == "--record" || argument == "--metrics") && i + 1 < count) {
      (argument == "--record" ? options.record_path : options.metrics_path) =
          zeph::platform::SystemText(args[++i]);
      continue;
    }
    if (argument == "--") {
      ++i;
      break;
    }
    if (argument.rfind("--", 0) == 0) {
      std::cerr << zeph::kName << ": unknown or incomplete option " << argument << "\n"
                << zeph::kUsage;
      return kRunIncomplete;
    }
    break;
  }
  if (count - i < 2) {
    std::cerr << zeph::kUsage;
    return kRunIncomplete;
  }
  options.instance_dir = zeph::platform::SystemText(args[i++]);
  // The program ignores an argument that is no switch; a typo would then
  // run nothing and still look like a good run.
  for (; i < count; ++i) {
    const std::string argument = zeph::platform::SystemText(args[i]);
    if (!zeph::IsSwitch(argument)) {
      std::cerr << zeph::kName << ": " << args[i] << " is no switch of the program (see "
                << zeph::platform::SwitchReference() << "); nothing was run\n";
      return kRunIncomplete;
    }
    options.switches.push_back(argument);
  }
  // A closed standard output must not end the wrapper before its record and
  // metrics; the program gets the default action back (see RunProgram).
  zeph::platform::SetUpUnattendedProcess();
  return zeph::Run(options);
}
