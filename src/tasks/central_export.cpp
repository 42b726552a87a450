#include "tasks/central_export.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "config/export_state.h"
#include "host/host_api.h"
#include "host/host_calls.h"
#include "host/host_results.h"
#include "tasks/frame.h"
#include "tasks/task_mail.h"
#include "util/console.h"
#include "util/date_time.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

constexpr const char* kTarget = "Tessaro";

// "2024.03": year without padding, month with two digits.
std::string PeriodText(int32_t year, int32_t month) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%d.%02d", year, month);
  return buffer;
}

// A decimal integer, or 0 when the text is none.
int32_t NumberOrZero(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return 0;
  return value;
}

class CentralExport {
 public:
  CentralExport(TaskRun& run, TaskMail& mail) : run_(run), mail_(mail) {}

  void Work() {
    TSerwerInformacje& entry = run_.entry;
    const int32_t year = run_.session.GetLoginValue("ROK");
    const int32_t month = run_.session.GetLoginValue("MIESIAC");
    server_ = &run_.CreateServer<IEksportTessaro>(ClassId::EksportTessaro);
    Check(server_->SetWorkingDirectory(AnsiToWide(entry.KatalogRoboczy)));
    Check(server_->SetEndDateCorrection(entry.KorektaDatyKoncowej));

    // Current data, from the day after the last export on.
    StartPass(Text1250("dane bieżące"), "dane biezace");
    TDateTime date_to = 0;
    Export(entry.OstatniEksport + 1, date_to);
    ConsoleWriteLine("OK");
    entry.OstatniEksport = CheckedHostDate(date_to);
    run_.context.produced_files = FileList();

    // The whole previous working month, once the host's month has moved on.
    const std::string period = PeriodText(year, month);
    if (entry.ZamknietyMiesiac.empty()) {
      entry.ZamknietyMiesiac = period;
    } else {
      const std::string& stored = entry.ZamknietyMiesiac;
      const int32_t stored_year = NumberOrZero(std::string_view(stored).substr(0, 4));
      const int32_t stored_month =
          NumberOrZero(std::string_view(stored).substr(stored.size() < 2 ? 0 : stored.size() - 2));
      if (stored_year != 0 && stored_month != 0 && (stored_year != year || stored_month != month)) {
        StartPass(Text1250("dane miesięczne"), "dane miesieczne");
        const TDateTime first_day = EncodeDate(stored_year, stored_month, 1);
        TDateTime last_day = ShiftMonths(1, first_day) - 1;
        Export(first_day, last_day);
        ConsoleWriteLine("OK");
        entry.ZamknietyMiesiac = period;
        for (std::string& file : FileList()) run_.context.produced_files.push_back(std::move(file));
      }
    }

    run_.context.export_state.Save(entry);
    entry.BylyPliki = !run_.context.produced_files.empty();
    if (entry.BylyPliki) {
      RunMailStep(run_, mail_, [this] { return MailFiles(); });
    }
  }

 private:
  // Log and console lines of a pass; the console line is completed by "OK"
  // or by the error.
  void StartPass(const std::string& log_name, const std::string& console_name) {
    TSerwerInformacje& entry = run_.entry;
    run_.Log(run_.Header(FormatS("Eksport do programu %s: ", {kTarget}) + log_name));
    ConsoleWrite(
        run_.Header(FormatS("Eksport do programu %s: ", {kTarget}) + console_name + "... "));
    entry.Eksportowano = true;
  }

  void Export(TDateTime date_from, TDateTime& date_to) {
    int32_t status = 0;
    Check(server_->ExportToTessaro(date_from, &date_to, run_.entry.ZakresDanych, &status));
    if (status != 0) {
      WideString message;
      Check(server_->GetErrorMessage(&message));
      run_.Log(HostText(message));
      throw Exception("Operation aborted");
    }
  }

  std::vector<std::string> FileList() {
    WideString files;
    Check(server_->GetFileList(&files));
    return SplitLines(HostText(files));
  }

  bool MailFiles() {
    const std::vector<std::string>& files = run_.context.produced_files;
    const std::string subject = TaskMailSubject(kTarget, OwnerIdentifier(run_), run_.entry);
    std::string body;
    for (const std::string& file : files) body += file + "\r\n";
    return SendTaskMail(run_, subject, body, files);
  }

  TaskRun& run_;
  TaskMail& mail_;
  IEksportTessaro* server_ = nullptr;
};

}  // namespace

bool RunCentralExport(TaskContext& context, TSerwerInformacje& entry) {
  TaskMail mail;
  TaskShape shape;
  shape.print_ok = false;  // each pass completes its own console line
  shape.summary = [&mail](TaskRun& run) {
    run.LogIndented("Eksportowano: " + YesNoText(run.entry.Eksportowano));
    run.LogIndented(Text1250("Były pliki:   ") + YesNoText(run.entry.BylyPliki));
    run.LogIndented(Text1250("Wysłano:      ") + YesNoText(mail.sent));
    LogMailError(run, mail);
  };
  return RunTask(context, entry, shape, [&mail](TaskRun& run) { CentralExport(run, mail).Work(); });
}

}  // namespace zeph
