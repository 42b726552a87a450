#include "driver/glowny.h"

#include "config/ini_file.h"
#include "config/mail_settings_check.h"
#include "driver/dispatch_table.h"
#include "driver/help.h"
#include "driver/run_lock.h"
#include "host/component_runtime.h"
#include "log/run_log.h"
#include "util/atomic_file.h"
#include "util/date_time.h"
#include "util/diagnostics.h"
#include "util/error.h"
#include "util/files.h"
#include "util/text.h"

namespace zeph {

TfrmGlowny::TfrmGlowny(int argc, const char* const* argv) : argc_(argc), argv_(argv) {
  FormatSettings& format = ProcessFormat();
  format.decimal_separator = '.';
  format.date_separator = '.';
  format.short_date_format = "yyyy.mm.dd";
  context_.program_directory = ExecutableDirectory();
  context_.server_list_path = context_.program_directory + "serwery.ini";
  context_.log_path = context_.program_directory + "Eksport_PelkTessaro_Auto.log";
  ComponentRuntime::Configure(context_.program_directory);
  context_.record = RunRecord(RunRecord::PathFromEnvironment());
  context_.record.Start(argc, argv, context_.program_directory);
  // The export directory on drive D: exists only on drive-letter systems;
  // nothing uses it, so nothing is created here.
}

void TfrmGlowny::RunExport() {
  try {
    // Held until the run ends, so that no other run writes serwery.ini or
    // the log meanwhile.
    RunLock lock;
    const std::chrono::milliseconds wait = RunLockWait();
    if (lock.Acquire(context_.program_directory, wait) == RunLock::kBusy) {
      const std::string seconds = std::to_string(wait.count() / 1000);
      Diagnose("another run holds the installation " + context_.program_directory +
               "; this run gave up after waiting " + seconds + " s and ran no task");
      throw Exception(Text1250("Nie wykonano żadnego zadania: w tym katalogu trwa inne "
                               "uruchomienie programu (oczekiwano ") +
                      seconds + " s).");
    }
    ParseCommandLine(argc_, argv_, flags_);
    RemoveStaleTemporaries(context_.server_list_path);
    IniFile server_list(context_.server_list_path);
    LoadServerList(server_list, context_.mail, entries_);
    for (const std::string& warning : MailSettingsWarnings(server_list, context_.mail)) {
      Diagnose("warning: " + warning);
      context_.record.Warning(warning);
    }
    context_.export_state.Attach(std::move(server_list), entries_);
    context_.export_state.BeforeEachSave([this] { context_.log.Sync(context_.log_path); });
    if (context_.record.Active()) {
      std::vector<std::string> unused;
      for (const Switch s : UnusedSwitches(flags_, entries_)) unused.emplace_back(SwitchName(s));
      context_.record.SwitchesUnused(std::move(unused));
    }
    if (flags_.Get(Switch::Help)) PrintHelp();
    for (TSerwerInformacje& entry : entries_) {
      for (const DispatchRow& row : DispatchTable()) {
        if (!RowApplies(row, flags_, entry)) continue;
        context_.record.BeginTask(entry.Sekcja, entry.Serwer, entry.Baza, SwitchName(row.task),
                                  EnableKeyName(row.enable));
        row.run(context_, entry);
        context_.record.EndTask();
      }
    }
  } catch (const std::exception& e) {
    context_.record.EndedEarly(e.what(), ReasonOf(e));
    try {
      context_.log.AddLogLine(e.what(), true);
      context_.log.Save(context_.log_path);
    } catch (const std::exception&) {
      // The log refused it: standard error is the one place left.
      Diagnose(std::string("the run ends; not logged: ") + e.what());
    }
  }
  // Every block is saved by now; what remains is to make them durable.
  try {
    context_.log.Sync(context_.log_path);
  } catch (const std::exception& e) {
    Diagnose(std::string("the run ends; not logged: ") + e.what());
  }
  context_.record.Finish();
}

}  // namespace zeph
