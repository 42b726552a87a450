#include "tasks/invoice_export.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "host/host_api.h"
#include "host/host_calls.h"
#include "host/host_results.h"
#include "platform/file_system.h"
#include "tasks/frame.h"
#include "tasks/task_mail.h"
#include "util/date_time.h"
#include "util/diagnostics.h"
#include "util/encoding.h"
#include "util/files.h"
#include "util/text.h"

namespace zeph {

std::string WriteInvoiceErrorLog(const std::string& program_directory, int32_t error_count,
                                 const WideString& details) {
  try {
    // One reading of the clock names both the directory and the file.
    const TDateTime now = Now();
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    DecodeDate(now, year, month, day);
    DecodeTime(now, hour, minute, second, ms);
    char month_text[8];
    std::snprintf(month_text, sizeof month_text, "%02d", month);
    char name[96];
    std::snprintf(name, sizeof name, "%d%02d%02d_%02d%02d%02d blednych fv %d.txt", year, month, day,
                  hour, minute, second, error_count);
    // The system's own separator: the path is told on standard error.
    std::string directory = IncludeTrailingPathDelimiter(program_directory);
    for (const std::string& part : {std::string("LOGI"), std::string("EksportFakturDoEDok"),
                                    std::to_string(year), std::string(month_text)}) {
      directory += part + platform::kPathSeparator;
    }
    if (!ForceDirectories(directory)) {
      DiagnoseSystemError("cannot create the directory", directory, errno);
      return {};
    }
    std::string path = directory + name;
    std::string content;
    for (const std::string& line : SplitLines(WideToAnsi(details))) content += line + "\r\n";
    WriteWholeFile(path, content);
    return path;
  } catch (const std::exception& e) {
    // The log file is a convenience: without it the mail still goes out.
    Diagnose(Text1250("no error log of the invoice export: ") + e.what());
    return {};
  }
}

void MailInvoiceExportError(TaskRun& run, TaskMail& mail, const std::string& message,
                            const std::string& error_log_path) {
  RunMailStep(run, mail, [&] {
    std::vector<std::string> attachments;
    if (!error_log_path.empty() && FileExists(error_log_path)) {
      attachments.push_back(error_log_path);
    }
    const std::string subject =
        TaskMailSubject("Wysylanie eFaktur", OwnerIdentifier(run), run.entry);
    std::string body =
        Text1250("Podczas wysyłania faktur do systemu eDokumenty wystąpiły błędy: \r\n") + message;
    if (!attachments.empty()) {
      body += Text1250("\r\n\r\n(liczba załączników ") + std::to_string(attachments.size()) + ")";
    }
    return SendTaskMail(run, subject, body, attachments);
  });
}

namespace {

struct InvoiceExportState {
  bool outcome = false;
  std::string error_log_path;
  TaskMail mail;
};

void Work(TaskRun& run, InvoiceExportState& state) {
  run.CreateServer<IInvoices>(ClassId::Invoices);
  std::shared_ptr<IInvoices> reference;
  IInvoices& invoices = run.session.Obtain(ClassId::Invoices, reference, /*create=*/false);

  WideString host_message;
  int32_t error_count = 0;
  WideString details;
  Check(invoices.ExportInvoicesToEDokumenty(&host_message, &error_count, &details));
  state.outcome = host_message.empty() && error_count == 0;

  std::string message = HostText(host_message);
  if (error_count > 0) {
    state.error_log_path =
        WriteInvoiceErrorLog(run.context.program_directory, error_count, details);
    if (!message.empty()) message += "\r\n";
    message += Text1250("Ilość błędnych faktur ") + std::to_string(error_count) + "\r\n" +
               Text1250("Szczegółowe informacje w pliku logu ") + state.error_log_path;
  }
  if (!message.empty()) throw Exception(message);
}

}  // namespace

bool RunInvoiceExport(TaskContext& context, TSerwerInformacje& entry) {
  InvoiceExportState state;
  TaskShape shape;
  shape.header = Text1250("Eksport faktur do systemu eDokumenty: ");
  shape.print_ok = false;
  shape.after_error = [&state](TaskRun& run, const std::string& message) {
    MailInvoiceExportError(run, state.mail, message, state.error_log_path);
  };
  shape.summary = [&state](TaskRun& run) {
    run.LogIndented(Text1250("Zakończono poprawnie: ") + YesNoText(state.outcome));
    run.LogIndented(Text1250("Wysłano log         : ") + YesNoText(state.mail.sent));
    LogMailError(run, state.mail);
  };
  RunTask(context, entry, shape, [&state](TaskRun& run) { Work(run, state); });
  return state.outcome;
}

}  // namespace zeph
