// Invoice export to the document system (/EFED) with its error-log file and mail.
#pragma once

#include <cstdint>
#include <string>

#include "config/server_list.h"
#include "host/host_api.h"
#include "tasks/frame.h"
#include "tasks/task_context.h"
#include "tasks/task_mail.h"

namespace zeph {

bool RunInvoiceExport(TaskContext& context, TSerwerInformacje& entry);

// Writes the host's details of the failed invoices, with CR LF line ends, to
// LOGI/EksportFakturDoEDok/<yyyy>/<mm>/"yyyymmdd_hhnnss blednych fv N.txt"
// under `program_directory`, and returns the file's full name; empty when it
// could not be written.
std::string WriteInvoiceErrorLog(const std::string& program_directory, int32_t error_count,
                                 const WideString& details);

// Mails the failure `message`, with the error-log file attached when there is
// one; `mail` tells whether it went out, or why not.
void MailInvoiceExportError(TaskRun& run, TaskMail& mail, const std::string& message,
                            const std::string& error_log_path);

}  // namespace zeph
