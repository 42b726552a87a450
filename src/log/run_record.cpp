#include "log/run_record.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/file.h"
#include "platform/local_time.h"
#include "util/diagnostics.h"
#include "util/encoding.h"
#include "util/json_text.h"
#include "util/replace_file.h"
#include "util/version.h"

namespace zeph {
namespace {

// A JSON string of a Windows-1250 text.
std::string Quoted(const std::string& ansi) {
  return JsonQuoted(AnsiToUtf8(ansi));
}

// A JSON array of Windows-1250 texts.
std::string QuotedList(const std::vector<std::string>& ansi) {
  std::string json = "[";
  for (size_t i = 0; i < ansi.size(); ++i) json += (i ? ", " : "") + Quoted(ansi[i]);
  return json + "]";
}

// "2026-12-10T14:07:50.123Z".
std::string Iso8601(RunRecord::Clock::time_point moment) {
  const auto since_epoch = moment.time_since_epoch();
  const std::time_t seconds = std::chrono::duration_cast<std::chrono::seconds>(since_epoch).count();
  const long millis = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count() % 1000);
  platform::CalendarTime utc;
  platform::UtcCalendarTime(seconds, utc);
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ", utc.year, utc.month,
                utc.day, utc.hour, utc.minute, utc.second, millis);
  return text;
}

std::string Seconds(RunRecord::Clock::duration duration) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", std::chrono::duration<double>(duration).count());
  return text;
}

std::string UnixSeconds(RunRecord::Clock::time_point moment) {
  return Seconds(moment.time_since_epoch());
}

}  // namespace

std::string RunRecord::PathFromEnvironment() {
  const char* path = std::getenv("ZEPHAUTOMAT_RUN_RECORD");
  return path ? path : "";
}

void RunRecord::Start(int argc, const char* const* argv, const std::string& directory) {
  if (!Active()) return;
  started_ = Clock::now();
  directory_ = directory;
  for (int i = 1; i < argc; ++i) switches_.emplace_back(argv[i]);
}

void RunRecord::BeginTask(const std::string& entry, const std::string& server,
                          const std::string& database, const std::string& switch_name,
                          const std::string& enable_key) {
  if (!Active()) return;
  Task task;
  task.entry = entry;
  task.server = server;
  task.database = database;
  task.switch_name = switch_name;
  task.enable_key = enable_key;
  task.started = Clock::now();
  tasks_.push_back(std::move(task));
  task_open_ = true;
}

void RunRecord::TaskError(const std::string& message) {
  if (task_open_) tasks_.back().errors.push_back(message);
}

void RunRecord::TaskOutcome(bool outcome) {
  if (task_open_) tasks_.back().outcome = tasks_.back().outcome && outcome;
}

void RunRecord::MailAttempt(const MailMessage& message) {
  if (!task_open_) return;
  Message noted{message, {}};
  for (const std::string& path : message.attachments) {
    Attachment file{path};
    platform::FileInfo info;
    file.found = platform::StatPath(path, info);
    file.size = info.size;
    file.modified_ns = info.modified_ns;
    noted.files.push_back(std::move(file));
  }
  attempt_ = std::move(noted);
}

void RunRecord::Mail(bool sent, const std::string& error) {
  if (task_open_) {
    tasks_.back().mails.push_back({sent, error, sent ? std::nullopt : std::move(attempt_)});
  }
  attempt_.reset();
}

void RunRecord::EndTask() {
  if (!task_open_) return;
  tasks_.back().ended = Clock::now();
  task_open_ = false;
}

void RunRecord::EndedEarly(const std::string& message, const std::string& reason) {
  if (!Active()) return;
  // Where the run stood: before any task (the switches or serwery.ini),
  // inside a task whose closing steps failed, or between tasks.
  early_stage_ = task_open_ ? "task" : tasks_.empty() ? "configuration" : "run";
  if (task_open_) {
    tasks_.back().outcome = false;
    EndTask();
  }
  ended_early_ = true;
  early_message_ = message;
  early_reason_ = reason;
}

// The mail whole: what zephautomat-run --resend sends again. Times of
// change are nanosecond counts as text, which a JSON number would round.
std::string RunRecord::MessageJson(const Message& message) {
  const MailMessage& texts = message.texts;
  std::string json =
      "{\"server\": " + Quoted(texts.server) + ", \"sender\": " + Quoted(texts.sender) +
      ", \"recipients\": " + Quoted(texts.recipients) + ", \"subject\": " + Quoted(texts.subject) +
      ", \"body\": " + Quoted(texts.body) + ", \"attachments\": [";
  for (size_t i = 0; i < message.files.size(); ++i) {
    const Attachment& file = message.files[i];
    json += (i ? ", " : "") + std::string("{\"path\": ") + Quoted(file.path);
    if (file.found) {
      json += ", \"size\": " + std::to_string(file.size) + ", \"modified_ns\": \"" +
              std::to_string(file.modified_ns) + "\"";
    }
    json += "}";
  }
  return json + "]}";
}

std::string RunRecord::ToJson() const {
  std::string json = "{\n  \"format\": 1,\n";
  json += "  \"program\": " + Quoted(VersionLine("zephautomat")) + ",\n";
  json += "  \"instance_dir\": " + Quoted(directory_) + ",\n";
  json += "  \"started\": " + Quoted(Iso8601(started_)) + ",\n";
  json += "  \"ended\": " + Quoted(Iso8601(ended_)) + ",\n";
  json += "  \"ended_unix\": " + UnixSeconds(ended_) + ",\n";
  json += "  \"duration_seconds\": " + Seconds(ended_ - started_) + ",\n";
  json += "  \"switches\": " + QuotedList(switches_) + ",\n";
  json += "  \"switches_unused\": " + QuotedList(switches_unused_) + ",\n";
  // A run that ended normally without a task did no work: said here, where
  // monitoring reads the run, as well as by the wrapper's verdict.
  std::vector<std::string> warnings = warnings_;
  if (!ended_early_ && tasks_.empty()) {
    warnings.emplace_back("no task ran: no entry of serwery.ini enables a requested switch");
  }
  json += "  \"warnings\": " + QuotedList(warnings) + ",\n";
  json += "  \"tasks\": [";
  for (size_t i = 0; i < tasks_.size(); ++i) {
    const Task& task = tasks_[i];
    json += i ? ",\n    {" : "\n    {";
    json += "\"entry\": " + Quoted(task.entry) + ", \"server\": " + Quoted(task.server) +
            ", \"database\": " + Quoted(task.database) +
            ", \"switch\": " + Quoted(task.switch_name) +
            ", \"enable\": " + Quoted(task.enable_key) +
            ", \"started\": " + Quoted(Iso8601(task.started)) +
            ", \"duration_seconds\": " + Seconds(task.ended - task.started) +
            ", \"outcome\": " + (task.outcome ? "\"ok\"" : "\"failed\"") + ", \"errors\": [";
    for (size_t e = 0; e < task.errors.size(); ++e)
      json += (e ? ", " : "") + Quoted(task.errors[e]);
    json += "], \"mails\": [";
    for (size_t m = 0; m < task.mails.size(); ++m) {
      const MailOutcome& mail = task.mails[m];
      json += m ? ", " : "";
      if (mail.sent) {
        json += "{\"sent\": true}";
        continue;
      }
      json += "{\"sent\": false, \"error\": " + Quoted(mail.error);
      if (mail.message) json += ", \"message\": " + MessageJson(*mail.message);
      json += "}";
    }
    json += "]}";
  }
  json += tasks_.empty() ? "],\n" : "\n  ],\n";
  json += "  \"ended_early\": ";
  if (ended_early_) {
    json += "{\"stage\": " + Quoted(early_stage_) + ", \"message\": " + Quoted(early_message_);
    if (!early_reason_.empty()) json += ", \"reason\": " + Quoted(early_reason_);
    json += "}";
  } else {
    json += "null";
  }
  return json + "\n}\n";
}

void RunRecord::Finish() {
  if (!Active()) return;
  EndTask();
  ended_ = Clock::now();
  const int error = ReplaceFile(path_, ToJson(), 0600);
  if (error != 0) DiagnoseSystemError("cannot write the run record", path_, error);
}

}  // namespace zeph
