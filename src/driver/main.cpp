// ZephAutomat: unattended data exchange with the ERP host's databases.
#include "driver/glowny.h"
#include "platform/process.h"
#include "util/console.h"

int main(int argc, char** argv) {
  // A file-size limit or a closed console must make the write fail with an
  // error the run reports, not kill the process mid-run.
  zeph::platform::SetUpUnattendedProcess();
  // The component runtime needs no per-thread initialisation or process
  // security here: servers are in-process libraries called on this thread.
  zeph::ConsoleWriteLine("Automatyczny eksport zostal uruchomiony.");
  zeph::ConsoleWriteLine("Prosze czekac...");
  if (argc > 1) {
    try {
      zeph::TfrmGlowny form(argc, argv);
      form.RunExport();
    } catch (...) {
      // The exit code is 0 whatever happens; results are in the log.
    }
  }
  zeph::ConsoleWriteLine("Automatyczny eksport zostal zakonczony.");
  zeph::ConsoleWriteLine("Mozna zakonczyc dzialanie aplikacji.");
  return 0;
}
