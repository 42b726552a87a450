#include "driver/glowny.h"

#include "driver/dispatch_table.h"
#include "driver/help.h"
#include "host/component_runtime.h"
#include "log/run_log.h"
#include "util/date_time.h"
#include "util/files.h"

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
  // The export directory on drive D: exists only on drive-letter systems;
  // nothing uses it, so nothing is created here.
}

void TfrmGlowny::RunExport() {
  try {
    ParseCommandLine(argc_, argv_, flags_);
    LoadServerList(context_.server_list_path, context_.mail, entries_);
    if (flags_.Get(Switch::Help)) PrintHelp();
    for (TSerwerInformacje& entry : entries_) {
      for (const DispatchRow& row : DispatchTable()) {
        if (RowApplies(row, flags_, entry)) row.run(context_, entry);
      }
    }
  } catch (const std::exception& e) {
    try {
      context_.log.AddLogLine(e.what(), true);
      context_.log.Save(context_.log_path);
    } catch (const std::exception&) {
      // Nowhere left to report it; the run ends either way.
    }
  }
}

}  // namespace zeph
