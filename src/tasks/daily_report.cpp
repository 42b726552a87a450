#include "tasks/daily_report.h"

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "host/host_api.h"
#include "host/host_calls.h"
#include "platform/error_text.h"
#include "platform/file.h"
#include "tasks/frame.h"
#include "tasks/task_mail.h"
#include "util/date_time.h"
#include "util/diagnostics.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/files.h"
#include "util/text.h"
#include "util/unique_fd.h"

namespace zeph {
namespace {

constexpr size_t kCodeLength = 9;

// The report file, created (or emptied) before the host is asked for the
// report and kept open until its text is written.
class ReportFile {
 public:
  explicit ReportFile(const std::string& path)
      : path_(path),
        fd_(platform::OpenFile(path, platform::kWrite | platform::kCreate | platform::kTruncate,
                               0666)) {
    if (!fd_) {
      const int error = errno;
      DiagnoseSystemError("cannot create", path, error);
      throw Exception("Cannot create file \"" + path + "\". " + platform::ErrorText(error));
    }
  }

  // A failed close() is a failed write: some file systems report a lost
  // write only there.
  void WriteAndClose(const std::string& bytes) {
    if (!WriteAll(fd_.Get(), bytes) || !fd_.Close()) {
      const int error = errno;
      fd_.Reset();
      DiagnoseSystemError("cannot write", path_, error);
      throw Exception("Cannot write to file \"" + path_ + "\". " + platform::ErrorText(error));
    }
  }

 private:
  std::string path_;
  UniqueFd fd_;
};

// The configuration code, right-padded with "B" to nine characters; a longer
// code is passed unchanged.
std::string ConfigurationCode(const std::string& stored) {
  std::string code = stored;
  if (code.size() < kCodeLength) code.append(kCodeLength - code.size(), 'B');
  return code;
}

struct DailyReportState {
  std::vector<std::string> attachments;
  bool report_created = false;
  TaskMail mail;
};

void Work(TaskRun& run, DailyReportState& state) {
  TSerwerInformacje& entry = run.entry;
  const std::string path = entry.KatalogRoboczy + "RaportDzienny.txt";
  ReportFile file(path);
  state.attachments.push_back(path);
  const TDateTime moment = Now();
  const std::string code = ConfigurationCode(entry.RaportDziennyKonfiguracja);

  std::shared_ptr<IReport2> reference;
  IReport2& report2 = run.session.Obtain(ClassId::Report2, reference);
  WideString text;
  WideString message;
  WordBool success = kFalse;
  Check(report2.CreateDailyReport(AnsiToWide(code), moment, &text, &message, &success));
  state.report_created = success != 0;
  if (!state.report_created) {
    throw EWyjatek(Text1250("Tworzenia raportu dziennego: ") + HostText(message));
  }
  file.WriteAndClose(WideToAnsi(text));

  RunMailStep(run, state.mail, [&] {
    const std::string subject = TaskMailSubject("Raport dzienny", OwnerIdentifier(run), entry);
    const std::string body = FormatS(Text1250("Raport dzienny za dzień: %s "), {DateToStr(moment)});
    return SendTaskMail(run, subject, body, state.attachments);
  });
}

}  // namespace

bool RunDailyReport(TaskContext& context, TSerwerInformacje& entry) {
  DailyReportState state;
  TaskShape shape;
  shape.header = "Raport dzienny: ";
  shape.modules = {ClassId::Report2};
  shape.release_modules_before_logout = true;
  shape.summary = [&state](TaskRun& run) {
    run.LogIndented("Stworzono raport:       " + YesNoText(state.report_created));
    run.LogIndented(Text1250("Raport dzienny wysłany: ") + YesNoText(state.mail.sent));
    LogMailError(run, state.mail);
  };
  return RunTask(context, entry, shape, [&state](TaskRun& run) { Work(run, state); });
}

}  // namespace zeph
