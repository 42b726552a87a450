// zephautomat-instance (Windows): makes an instance directory out of the
// installed program, keeps its program up to date, and schedules its
// nightly run. The program reads serwery.ini and components.ini and writes
// its log beside itself, so every instance is a directory with its own
// copy of the program and its DLLs, outside Program Files, which a service
// account may not write.
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "driver/switches.h"
#include "platform/account_access.h"
#include "platform/error_text.h"
#include "platform/file_system.h"
#include "platform/program_launch.h"
#include "tools/instance/scheduled_task.h"
#include "util/encoding.h"
#include "util/files.h"
#include "util/replace_file.h"
#include "util/version.h"

namespace zeph {
namespace {

constexpr const char* kName = "zephautomat-instance";
constexpr const char* kUsage =
    "usage: zephautomat-instance create NAME|DIR [--user ACCOUNT] [--host-library FILE]\n"
    "       zephautomat-instance update NAME|DIR\n"
    "       zephautomat-instance schedule NAME|DIR [--user ACCOUNT] [--at HH:MM]\n"
    "                            [--time-limit HOURS] [--record FILE] [--metrics FILE]\n"
    "                            [--no-register] SWITCH...\n"
    "       zephautomat-instance --version\n"
    "A NAME stands for the directory C:\\ZephAutomat\\NAME.\n"
    "create    makes the directory (it must not exist) with a copy of the installed\n"
    "          program and its DLLs, serwery.ini from the sample (Windows-1250) and\n"
    "          components.ini; ACCOUNT (default: this one) may write the directory,\n"
    "          and no one but ACCOUNT and the Administrators may read serwery.ini.\n"
    "          --host-library FILE: components.ini names FILE for every class.\n"
    "update    replaces the instance's program and DLLs with the installed ones\n"
    "          (after an upgrade), keeping everything else; again, it changes nothing.\n"
    "schedule  writes the task definition DIR\\zephautomat-task.xml and registers it\n"
    "          (schtasks /Create /XML) as \\ZephAutomat\\NAME: every day at HH:MM (02:00)\n"
    "          zephautomat-run --quiet --record FILE --metrics FILE DIR SWITCH...\n"
    "          as ACCOUNT, never twice at once, stopped after HOURS (4); the record\n"
    "          defaults to DIR\\zephautomat-run.json, the metrics to DIR\\zephautomat.prom.\n"
    "          --no-register: write the definition only.\n";

// Files of the installation an instance gets, beside the tool.
constexpr const char* kProgram = "zephautomat.exe";
constexpr const char* kWrapper = "zephautomat-run.exe";
constexpr const char* kServerListSample = "instance\\serwery.ini";
constexpr const char* kComponentsSample = "components.sample.ini";
constexpr const char* kTaskFile = "zephautomat-task.xml";

int Fail(const std::string& message) {
  std::cerr << kName << ": " << message << "\n";
  return 1;
}

std::string InstallDir() {
  return ExecutableDirectory();
}

// A plain name is an instance under C:\ZephAutomat; anything with a path
// delimiter or a drive is the directory itself.
std::string InstanceDir(const std::string& argument) {
  if (argument.find_first_of("\\/:") == std::string::npos) return "C:\\ZephAutomat\\" + argument;
  std::string dir = argument;
  while (dir.size() > 3 && platform::IsPathSeparator(dir.back())) dir.pop_back();
  return dir;
}

std::string NameOf(const std::string& dir) {
  size_t slash = dir.size();
  while (slash > 0 && !platform::IsPathSeparator(dir[slash - 1])) --slash;
  return dir.substr(slash);
}

// The program and every DLL of the installation (libcurl's, the host
// simulator's): what an instance runs.
std::vector<std::string> ProgramFiles() {
  std::vector<std::string> files{kProgram};
  std::vector<std::string> names;
  platform::ListDirectory(InstallDir(), names);
  for (const std::string& name : names) {
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dll") == 0) files.push_back(name);
  }
  return files;
}

bool Read(const std::string& path, std::string& bytes, std::string& error) {
  std::string reason;
  if (ReadWholeFile(path, bytes, reason)) return true;
  error = "cannot read " + path + ": " + reason;
  return false;
}

bool Write(const std::string& path, const std::string& bytes, std::string& error) {
  const int failure = ReplaceFile(path, bytes, 0600);
  if (failure == 0) return true;
  error = "cannot write " + path + ": " + platform::ErrorText(failure);
  return false;
}

// Puts the installed program files into `dir` where they differ; `changed`
// counts them.
bool PlaceProgram(const std::string& dir, int& changed, std::string& error) {
  changed = 0;
  for (const std::string& name : ProgramFiles()) {
    std::string installed;
    std::string present;
    if (!Read(InstallDir() + name, installed, error)) return false;
    const std::string target = dir + "\\" + name;
    std::string ignored;
    if (ReadWholeFile(target, present, ignored) && present == installed) continue;
    if (!Write(target, installed, error)) return false;
    ++changed;
  }
  return true;
}

// components.ini of the instance: the sample's, whose relative DLL names
// the copies beside the program answer; with a host library, every class
// named by it.
std::string Components(const std::string& sample, const std::string& library) {
  if (library.empty()) return sample;
  std::string out;
  size_t begin = 0;
  bool classes = false;
  while (begin < sample.size()) {
    size_t end = sample.find('\n', begin);
    end = end == std::string::npos ? sample.size() : end + 1;
    std::string line = sample.substr(begin, end - begin);
    begin = end;
    if (!line.empty() && line[0] == '[') classes = line.rfind("[InprocServers]", 0) == 0;
    const size_t equals = line.find('=');
    if (classes && equals != std::string::npos && line[0] != ';') {
      const size_t ending = line.find_first_of("\r\n");
      line = line.substr(0, equals + 1) + library +
             (ending == std::string::npos ? "" : line.substr(ending));
    }
    out += line;
  }
  return out;
}

struct Arguments {
  std::string dir;
  std::string account;
  std::string library;
  std::string start = "02:00";
  std::string hours = "4";
  std::string record;
  std::string metrics;
  bool register_task = true;
  std::vector<std::string> switches;
};

int Create(const Arguments& args) {
  const std::string& dir = args.dir;
  if (FileExists(dir) || DirectoryExists(dir)) {
    return Fail(dir + " exists already; choose a new directory");
  }
  const std::string account = args.account.empty() ? platform::CurrentAccount() : args.account;
  std::string server_list;
  std::string components;
  std::string error;
  if (!Read(InstallDir() + kServerListSample, server_list, error) ||
      !Read(InstallDir() + kComponentsSample, components, error)) {
    return Fail(error);
  }
  if (!args.library.empty() && !FileExists(args.library)) {
    return Fail("the host library " + args.library + " does not exist");
  }
  const size_t parent = dir.find_last_of("\\/");
  if (parent != std::string::npos && parent > 2 && !ForceDirectories(dir.substr(0, parent))) {
    return Fail("cannot create " + dir.substr(0, parent) + ": " + platform::ErrorText(errno));
  }
  if (!platform::MakeDirectory(dir)) {
    return Fail("cannot create " + dir + ": " + platform::ErrorText(errno));
  }
  // The sample's working directory is under the instance.
  for (size_t at = server_list.find("{INSTANCE}"); at != std::string::npos;
       at = server_list.find("{INSTANCE}", at + dir.size())) {
    server_list.replace(at, 10, dir);
  }
  const std::string ini = dir + "\\serwery.ini";
  int copied = 0;
  const bool made = platform::GiveToAccount(dir, account, false, error) &&
                    PlaceProgram(dir, copied, error) && Write(ini, server_list, error) &&
                    platform::GiveToAccount(ini, account, true, error) &&
                    Write(dir + "\\components.ini", Components(components, args.library), error);
  if (!made) {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return Fail(error + "; nothing was made");
  }
  std::cout << kName << ": created " << dir << " for " << account << "\n"
            << "  edit:     " << ini << " (Windows-1250; README-Windows.txt)\n"
            << "  check:    zephautomat-check \"" << dir << "\"\n"
            << "  schedule: zephautomat-instance schedule \"" << dir << "\" --user \"" << account
            << "\" /WDS /CSK\n";
  return 0;
}

int Update(const Arguments& args) {
  if (!FileExists(args.dir + "\\" + kProgram)) return Fail(args.dir + " is no instance directory");
  int changed = 0;
  std::string error;
  if (!PlaceProgram(args.dir, changed, error)) return Fail(error);
  std::cout << kName << ": " << args.dir
            << (changed ? " now runs the installed program (" : " runs the installed program (")
            << VersionLine("zephautomat") << (changed ? ")\n" : ") already\n");
  return 0;
}

// The task definition as Windows stores one: UTF-16 with its byte order mark.
std::string Utf16File(const std::string& ansi) {
  const std::u16string wide = AnsiToWide(ansi);
  std::string bytes = "\xFF\xFE";
  for (const char16_t c : wide) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

int Schedule(const Arguments& args) {
  if (!FileExists(args.dir + "\\" + kProgram)) return Fail(args.dir + " is no instance directory");
  if (args.switches.empty()) return Fail("name the switches of the nightly run, e.g. /WDS /CSK");
  for (const std::string& argument : args.switches) {
    if (!IsSwitch(argument)) return Fail(argument + " is no switch of the program");
  }
  if (!IsTimeOfDay(args.start)) return Fail("--at takes a time of day HH:MM, not " + args.start);
  const int hours = std::atoi(args.hours.c_str());
  if (hours < 1 || hours > 72 || std::to_string(hours) != args.hours) {
    return Fail("--time-limit takes hours from 1 to 72, not " + args.hours);
  }
  ScheduledRun run;
  run.name = NameOf(args.dir);
  run.account = args.account.empty() ? platform::CurrentAccount() : args.account;
  run.start = args.start;
  run.time_limit_hours = hours;
  run.wrapper = InstallDir() + kWrapper;
  run.instance_dir = args.dir;
  run.switches = args.switches;
  run.record = args.record.empty() ? args.dir + "\\zephautomat-run.json" : args.record;
  run.metrics = args.metrics.empty() ? args.dir + "\\zephautomat.prom" : args.metrics;
  const std::string definition = args.dir + "\\" + kTaskFile;
  std::string error;
  if (!Write(definition, Utf16File(TaskDefinition(run)), error)) return Fail(error);
  std::cout << kName << ": wrote " << definition << "\n";
  if (!args.register_task) return 0;
  const char* root = std::getenv("SystemRoot");
  const std::string schtasks =
      std::string(root ? root : "C:\\Windows") + "\\System32\\schtasks.exe";
  const platform::ProgramEnd end = platform::RunProgram(
      schtasks, {"/Create", "/TN", TaskPath(run.name), "/XML", definition, "/F"},
      "ZEPHAUTOMAT_INSTANCE", args.dir, [](std::string_view bytes) { std::cout << bytes; });
  if (!end.started || end.exit_code != 0) {
    return Fail("schtasks could not register the task" +
                (end.failure.empty() ? "" : " (" + end.failure + ")") +
                "; register it as an administrator: schtasks /Create /TN \"" + TaskPath(run.name) +
                "\" /XML \"" + definition + "\"");
  }
  std::cout << kName << ": scheduled " << TaskPath(run.name) << " every day at " << run.start
            << " as " << run.account << "; see it with: schtasks /Query /TN \""
            << TaskPath(run.name) << "\" /V /FO LIST\n";
  return 0;
}

// Reads the options after the command's directory; false (and said) on a
// bad one.
bool ParseOptions(const std::string& command, int argc, char** argv, Arguments& args) {
  for (int i = 3; i < argc; ++i) {
    const std::string option = argv[i];
    std::string* value = nullptr;
    if (option == "--user") value = &args.account;
    if (command == "create" && option == "--host-library") value = &args.library;
    if (command == "schedule") {
      if (option == "--at") value = &args.start;
      if (option == "--time-limit") value = &args.hours;
      if (option == "--record") value = &args.record;
      if (option == "--metrics") value = &args.metrics;
      if (option == "--no-register") {
        args.register_task = false;
        continue;
      }
      if (option.rfind("--", 0) != 0) {
        args.switches.push_back(option);
        continue;
      }
    }
    if (value == nullptr || i + 1 >= argc) {
      Fail("unknown or incomplete option for " + command + ": " + option);
      return false;
    }
    *value = argv[++i];
  }
  return true;
}

}  // namespace
}  // namespace zeph

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "--version") {
    std::cout << zeph::VersionLine(zeph::kName) << "\n";
    return 0;
  }
  if (command == "--help") {
    std::cout << zeph::kUsage;
    return 0;
  }
  zeph::Arguments args;
  const bool known = command == "create" || command == "update" || command == "schedule";
  if (!known || argc < 3) {
    std::cerr << zeph::kUsage;
    return 2;
  }
  args.dir = zeph::InstanceDir(argv[2]);
  if (!zeph::ParseOptions(command, argc, argv, args)) return 2;
  if (command == "update" && argc > 3) {
    std::cerr << zeph::kUsage;
    return 2;
  }
  if (command == "create") return zeph::Create(args);
  if (command == "update") return zeph::Update(args);
  return zeph::Schedule(args);
}
