// ZephAutomat: unattended data exchange with the ERP host's databases.
#include <string>
#include <vector>

#include "driver/glowny.h"
#include "platform/process.h"
#include "platform/program_arguments.h"
#include "util/console.h"

int main(int argc, char** argv) {
  // A file-size limit or a closed console must make the write fail with an
  // error the run reports, not kill the process mid-run.
  zeph::platform::SetUpUnattendedProcess();
  // The component runtime needs no per-thread initialisation or process
  // security here: servers are in-process libraries called on this thread.
  zeph::ConsoleWriteLine("Automatyczny eksport zostal uruchomiony.");
  zeph::ConsoleWriteLine("Prosze czekac...");
  // The arguments as the operator typed them, in the program's code page
  // (on Windows not the C runtime's argv: platform/program_arguments.h).
  const std::vector<std::string> arguments = zeph::platform::ProgramArguments(argc, argv);
  if (!arguments.empty()) {
    std::vector<const char*> line{argv[0]};
    for (const std::string& argument : arguments) line.push_back(argument.c_str());
    try {
      zeph::TfrmGlowny form(static_cast<int>(line.size()), line.data());
      form.RunExport();
    } catch (...) {
      // The exit code is 0 whatever happens; results are in the log.
    }
  }
  zeph::ConsoleWriteLine("Automatyczny eksport zostal zakonczony.");
  zeph::ConsoleWriteLine("Mozna zakonczyc dzialanie aplikacji.");
  return 0;
}
