#include "tasks/xml_dictionaries.h"

#include <memory>
#include <string>

#include "host/component_runtime.h"
#include "host/host_calls.h"
#include "tasks/frame.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

// ZephProc is made directly, never registered with or obtained through the
// configuration server. A failure here is not the task's: it goes on to the
// caller.
std::shared_ptr<IZephProc> CreateZephProc() {
  ObjectRef object;
  Check(ComponentRuntime::Create(ClassId::ZephProc, &object));
  auto proc = std::dynamic_pointer_cast<IZephProc>(object);
  if (!proc) throw Exception("Unsupported interface");
  return proc;
}

// ZephProc logs into the database itself, then writes the dictionaries into
// the working directory.
void SaveDictionaries(IZephProc& proc, const TSerwerInformacje& entry) {
  Check(proc.Start());
  int32_t error_number = 0;
  Check(proc.OpenDatabase(AnsiToWide(entry.Serwer), AnsiToWide(entry.Baza),
                          AnsiToWide(entry.Uzytkownik), AnsiToWide(entry.Haslo), &error_number));
  if (error_number != 0) {
    // Always the host's name, never the database's.
    throw Exception(
        FormatS(Text1250("Błąd podczas logowania do bazy %s modułem ZephProc."), {"Merkan"}));
  }
  WideString message;
  error_number = 0;
  Check(proc.SaveDictionariesToXml(AnsiToWide(entry.KatalogRoboczy), entry.IDKlasyfikacjiXML,
                                   entry.IDKlasyWyborTowarowXML, entry.IDGrupyCenXML, &message,
                                   &error_number));
  if (error_number != 0) {
    throw Exception(
        FormatS(Text1250("Błąd podczas zapisu słowników do pliku XML. Numer: %s komunikat: %s."),
                {std::to_string(error_number), HostText(message)}));
  }
}

}  // namespace

bool RunDictionariesToXml(TaskContext& context, TSerwerInformacje& entry) {
  // Cleared first, so that a failed creation reaches the log as a line of
  // its own rather than after the previous task's block.
  context.log.Clear();
  std::shared_ptr<IZephProc> proc = CreateZephProc();

  // No header, no summary and no "OK": the log shows the task only when it
  // fails.
  TaskShape shape;
  shape.print_ok = false;
  shape.after_logout = [&proc] { Check(proc->Finish()); };
  return RunTask(context, entry, shape,
                 [&proc](TaskRun& run) { SaveDictionaries(*proc, run.entry); });
}

}  // namespace zeph
