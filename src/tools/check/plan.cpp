#include "tools/check/plan.h"

#include "driver/dispatch_table.h"
#include "util/encoding.h"

namespace zeph {

std::vector<PlannedTask> PlanRun(const SwitchFlags& flags,
                                 const std::vector<TSerwerInformacje>& entries) {
  std::vector<PlannedTask> plan;
  const std::vector<DispatchRow>& table = DispatchTable();
  for (size_t e = 0; e < entries.size(); ++e) {
    for (size_t r = 0; r < table.size(); ++r) {
      if (RowApplies(table[r], flags, entries[e])) plan.push_back({e, r});
    }
  }
  return plan;
}

void PrintPlan(std::ostream& out, const SwitchFlags& flags,
               const std::vector<TSerwerInformacje>& entries, const std::vector<PlannedTask>& plan,
               const RunOutcome& outcome) {
  out << "plan:";
  for (int s = 0; s < kSwitchCount; ++s) {
    if (flags.Get(static_cast<Switch>(s))) out << ' ' << SwitchName(static_cast<Switch>(s));
  }
  out << '\n';
  if (flags.Get(Switch::Help)) out << "  the help text, after serwery.ini is loaded\n";
  const std::vector<DispatchRow>& table = DispatchTable();
  size_t step = 0;
  for (const PlannedTask& task : plan) {
    const TSerwerInformacje& entry = entries[task.entry];
    const DispatchRow& row = table[task.row];
    out << "  " << ++step << ". [" << AnsiToUtf8(entry.Sekcja) << "] " << AnsiToUtf8(entry.Serwer)
        << '/' << AnsiToUtf8(entry.Baza) << ": " << SwitchName(row.task) << " ("
        << EnableKeyName(row.enable) << ", row " << task.row + 1 << ")\n";
  }
  if (plan.empty()) out << "  no task: no entry enables a given switch\n";
  for (int s = 0; s < kSwitchCount; ++s) {
    Switch sw = static_cast<Switch>(s);
    if (sw == Switch::Help || !flags.Get(sw)) continue;
    bool planned = false;
    for (const PlannedTask& task : plan) planned = planned || table[task.row].task == sw;
    if (!planned) out << "  " << SwitchName(sw) << ": no entry enables it\n";
  }
  if (outcome.load_fails && !plan.empty()) {
    out << "  none of these runs while the errors above stand: the run stops while loading "
           "serwery.ini\n";
  } else if (outcome.mail_fails && !plan.empty()) {
    out << "  these run, but every mail of the run (/EK, /RD, /EFED) fails while the mail "
           "errors above stand\n";
  }
}

}  // namespace zeph
