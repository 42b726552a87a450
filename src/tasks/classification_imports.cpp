#include "tasks/classification_imports.h"

#include <memory>
#include <utility>

#include "host/module_call.h"
#include "tasks/frame.h"
#include "util/console.h"
#include "util/text.h"

namespace zeph {
namespace {

using ImportCall = HostStatus (ILexicon::*)(int32_t);

// The imports in the full import's order. Log lines are UTF-8 here and go
// after "[Serwer].[Baza] "; trailing blanks count.
enum Import { kClassifications, kPayback, kConversionFactors, kInvestments, kGraphics };

struct ImportRow {
  ImportCall call;
  const char* full_line;
  const char* selected_line;
};

const ImportRow kImports[] = {
    {&ILexicon::ImportExternalClassifications,
     "Import klasyfikacji zewnętrznych: ", "Import klasyfikacji zewnętrznych: "},
    {&ILexicon::ImportExternalPaybackDefinitions,
     "Import zewnętrznych definicji Payback: ", "Import zewnętrznych definicji Payback: "},
    {&ILexicon::ImportExternalConversionFactors,
     "Import zewnętrznych przeliczników towarów: ", "Import zewnętrznych przeliczników towarów: "},
    {&ILexicon::ImportExternalInvestmentDictionaries,
     "Import zewnętrznych słowników zw. z inwestycjami: ",
     "Import zewnętrznych słowników zw. z inwestycjami: "},
    {&ILexicon::ImportFiscalPrinterGraphics,
     "Import grafik druk fisk: ", "Import zewnętrznych grafik df: "},
};

// Both forms: no header of their own (each import's line names the entry),
// one "OK" per completed import, and the first error ends the task.
TaskShape ImportShape() {
  TaskShape shape;
  shape.summary_label = Text1250("Zakończono poprawnie: ");
  shape.print_ok = false;
  shape.modules = {ClassId::Lexicon};
  return shape;
}

// Logs the import's line, obtains Lexicon afresh and runs the import.
void RunImport(TaskRun& run, std::shared_ptr<ILexicon>& lexicon, Import which, bool full) {
  const ImportRow& row = kImports[which];
  run.Log(run.Header(Text1250(full ? row.full_line : row.selected_line)));
  CallModule(
      run.session, ClassId::Lexicon, lexicon,
      [&row](ILexicon& server, OperationResult&) { return (server.*row.call)(-1); },
      SuccessTest::Status);
  ConsoleWriteLine("OK");
}

}  // namespace

bool RunFullImport(TaskContext& context, TSerwerInformacje& entry) {
  std::shared_ptr<ILexicon> lexicon;
  return RunTask(context, entry, ImportShape(), [&lexicon](TaskRun& run) {
    RunImport(run, lexicon, kClassifications, true);
    if (run.session.GetBoolParameter("MODUL_PAYBACK")) RunImport(run, lexicon, kPayback, true);
    RunImport(run, lexicon, kConversionFactors, true);
    RunImport(run, lexicon, kInvestments, true);
    RunImport(run, lexicon, kGraphics, true);
  });
}

bool RunSelectedImport(TaskContext& context, TSerwerInformacje& entry,
                       const ImportSelection& selection) {
  // The Payback definitions come first here, whatever MODUL_PAYBACK says.
  const std::pair<Import, bool> order[] = {
      {kPayback, selection.payback_definitions},
      {kClassifications, selection.classifications},
      {kConversionFactors, selection.conversion_factors},
      {kInvestments, selection.investment_dictionaries},
      {kGraphics, selection.graphics},
  };
  std::shared_ptr<ILexicon> lexicon;
  return RunTask(context, entry, ImportShape(), [&](TaskRun& run) {
    for (const auto& [which, selected] : order) {
      if (selected) RunImport(run, lexicon, which, false);
    }
  });
}

}  // namespace zeph
