// The run record: a machine-readable account of one run for schedulers and
// monitoring (JSON, texts in UTF-8). Kept only when the environment variable
// ZEPHAUTOMAT_RUN_RECORD names a file; otherwise every call does nothing and
// the run is exactly as without it. Written whole when the run ends.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zeph {

class RunRecord {
 public:
  using Clock = std::chrono::system_clock;

  // Inactive when `path` is empty.
  explicit RunRecord(std::string path = {}) : path_(std::move(path)) {}
  // The file ZEPHAUTOMAT_RUN_RECORD names, or empty.
  static std::string PathFromEnvironment();

  bool Active() const { return !path_.empty(); }

  // The run of the program in `directory` starts with these arguments
  // (argv[0] excluded).
  void Start(int argc, const char* const* argv, const std::string& directory);
  // The requested switches that no entry enables (canonical names, "/EK").
  void SwitchesUnused(std::vector<std::string> switches) {
    if (Active()) switches_unused_ = std::move(switches);
  }
  // Something about the whole run a person should know (Windows-1250).
  void Warning(const std::string& text) {
    if (Active()) warnings_.push_back(text);
  }
  // A dispatched task starts; texts are Windows-1250.
  void BeginTask(const std::string& entry, const std::string& server, const std::string& database,
                 const std::string& switch_name, const std::string& enable_key);
  // The task reported this error (Windows-1250).
  void TaskError(const std::string& message);
  // The task's outcome; a task that runs the frame more than once fails when
  // any run failed.
  void TaskOutcome(bool outcome);
  // The mail a task's mail step is about to send (texts Windows-1250).
  struct MailMessage {
    std::string server, sender, recipients, subject, body;
    std::vector<std::string> attachments;  // paths
  };
  // Noted before the step sends, with each file's size and time of change
  // as they are now; kept whole by Mail() when the step fails, so that
  // zephautomat-run --resend can send it again and tell what changed since.
  void MailAttempt(const MailMessage& message);
  // One mail step of the task: sent, or the error it ended with.
  void Mail(bool sent, const std::string& error);
  void EndTask();
  // An error ended the run before its end (Windows-1250), with the system's
  // reason when one is known.
  void EndedEarly(const std::string& message, const std::string& reason = {});

  // The record as JSON.
  std::string ToJson() const;
  // Writes it to its file, replacing the file whole; a failure is reported
  // on standard error.
  void Finish();

 private:
  struct Attachment {
    std::string path;
    bool found = false;  // size and time known
    int64_t size = 0;
    int64_t modified_ns = 0;
  };
  struct Message {
    MailMessage texts;
    std::vector<Attachment> files;
  };
  struct MailOutcome {
    bool sent = false;
    std::string error;
    std::optional<Message> message;  // of a failed step that had one
  };
  struct Task {
    std::string entry, server, database, switch_name, enable_key;
    Clock::time_point started;
    Clock::time_point ended;
    bool outcome = true;
    std::vector<std::string> errors;
    std::vector<MailOutcome> mails;
  };

  static std::string MessageJson(const Message& message);

  std::string path_;
  Clock::time_point started_;
  Clock::time_point ended_;
  std::string directory_;
  std::vector<std::string> switches_;
  std::vector<std::string> switches_unused_;
  std::vector<std::string> warnings_;
  std::vector<Task> tasks_;
  std::optional<Message> attempt_;  // of the mail step under way
  bool task_open_ = false;
  bool ended_early_ = false;
  std::string early_stage_;
  std::string early_message_;
  std::string early_reason_;
};

}  // namespace zeph
