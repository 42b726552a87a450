#include "tools/run/resend.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>
#include <vector>

#include "config/ini_file.h"
#include "config/server_list.h"
#include "mail/send_mail.h"
#include "platform/error_text.h"
#include "platform/file.h"
#include "tasks/task_mail.h"
#include "tools/run/json_value.h"
#include "util/encoding.h"
#include "util/files.h"
#include "util/replace_file.h"

namespace zeph {
namespace {

void Say(const std::string& line) {
  std::cerr << "zephautomat-run: " << line << std::endl;
}

// Messages carry CR LF (the mail failure text); a summary line is one line.
std::string OneLine(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c != '\r') out += c == '\n' ? ' ' : c;
  }
  return out;
}

JsonValue Number(double value) {
  JsonValue number;
  number.kind = JsonValue::Kind::Number;
  number.number = value;
  char text[40];
  std::snprintf(text, sizeof text, "%.3f", value);
  number.text = text;
  return number;
}

JsonValue StringList(const std::vector<std::string>& texts) {
  JsonValue list;
  list.kind = JsonValue::Kind::Array;
  for (const std::string& text : texts) list.items.push_back(JsonValue::String(text));
  return list;
}

// The attachments as they are now beside what the record noted when the
// mail was tried: their paths (Windows-1250), and the ones changed or gone
// since (UTF-8, as the record holds them).
struct Files {
  std::vector<std::string> paths;
  std::vector<std::string> changed;
  std::vector<std::string> gone;
};

Files CompareFiles(const JsonValue& attachments) {
  Files files;
  for (const JsonValue& file : attachments.items) {
    const std::string path = file.Text("path");
    files.paths.push_back(Utf8ToAnsi(path));
    platform::FileInfo now;
    if (!platform::StatPath(Utf8ToAnsi(path), now)) {
      files.gone.push_back(path);
      continue;
    }
    const JsonValue* size = file.Find("size");
    const bool same = size != nullptr && size->text == std::to_string(now.size) &&
                      file.Text("modified_ns") == std::to_string(now.modified_ns);
    if (!same) files.changed.push_back(path);
  }
  return files;
}

std::string Place(const JsonValue& task) {
  return "[" + task.Text("entry") + "] " + task.Text("switch");
}

class Resender {
 public:
  Resender(std::string record_path, JsonValue record)
      : path_(std::move(record_path)), record_(std::move(record)) {}

  // Reads the instance's mail settings; false (and said so) when it cannot.
  bool LoadSettings() {
    const std::string directory = record_.Text("instance_dir");
    if (directory.empty()) {
      Say(path_ + " names no instance directory (written by an older program); nothing was sent");
      return false;
    }
    try {
      const IniFile ini(Utf8ToAnsi(directory) + "serwery.ini");
      ReadMailSettings(ini, mail_);
    } catch (const std::exception& e) {
      Say("cannot read the mail settings: " + AnsiToUtf8(e.what()) + "; nothing was sent");
      return false;
    }
    return true;
  }

  // Sends every mail left; the exit code.
  int Run() {
    JsonValue* tasks = record_.FindMutable("tasks");
    if (tasks == nullptr || tasks->kind != JsonValue::Kind::Array) {
      Say(path_ + " is no run record; nothing was sent");
      return 2;
    }
    for (JsonValue& task : tasks->items) {
      JsonValue* mails = task.FindMutable("mails");
      if (mails == nullptr) continue;
      for (JsonValue& mail : mails->items) {
        if (!Resend(task, mail)) return 2;
      }
    }
    Say(std::to_string(sent_) + " mails sent again, " + std::to_string(failed_) + " failed, " +
        std::to_string(delivered_before_) + " delivered before" +
        (unmade_ ? ", " + std::to_string(unmade_) + " never made" : "") + "; exit code " +
        std::to_string(failed_ ? 1 : 0));
    return failed_ ? 1 : 0;
  }

 private:
  // False when the record could not be rewritten after a mail went out.
  bool Resend(const JsonValue& task, JsonValue& mail) {
    const JsonValue* sent = mail.Find("sent");
    if (sent == nullptr || sent->kind != JsonValue::Kind::Bool || sent->boolean) return true;
    const JsonValue* resent = mail.Find("resent");
    if (resent != nullptr && resent->Find("sent") && resent->Find("sent")->boolean) {
      ++delivered_before_;
      return true;
    }
    const JsonValue* message = mail.Find("message");
    if (message == nullptr) {
      // The step failed before it made a mail (the report was not created).
      ++unmade_;
      return true;
    }
    const JsonValue* attachments = message->Find("attachments");
    const Files files = attachments ? CompareFiles(*attachments) : Files{};
    for (const std::string& path : files.changed) {
      Say(Place(task) + ": " + path + " has changed since the run; it is sent as it is now");
    }
    for (const std::string& path : files.gone) {
      Say(Place(task) + ": " + path + " has gone since the run");
    }
    std::string error;
    try {
      MailRequest request = TaskMailRequest(mail_, Utf8ToAnsi(message->Text("subject")),
                                            Utf8ToAnsi(message->Text("body")), files.paths);
      request.sender_name = request.sender_address = Utf8ToAnsi(message->Text("sender"));
      request.recipients = Utf8ToAnsi(message->Text("recipients"));
      // The settings as the operator has mended them: the server too.
      if (AnsiToUtf8(request.server) != message->Text("server")) {
        Say(Place(task) + ": sent through SerwerPocztowy " + AnsiToUtf8(request.server) +
            " (the run had " + message->Text("server") + ")");
      }
      SendMail(request, /*raise_on_failure=*/true, MailTimeouts{});
    } catch (const std::exception& e) {
      error = AnsiToUtf8(e.what());
    }
    JsonValue outcome;
    outcome.kind = JsonValue::Kind::Object;
    outcome.Set("sent", JsonValue::Boolean(error.empty()));
    if (!error.empty()) outcome.Set("error", JsonValue::String(error));
    outcome.Set(
        "at_unix",
        Number(std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
                   .count()));
    outcome.Set("files_changed", StringList(files.changed));
    outcome.Set("files_gone", StringList(files.gone));
    mail.Set("resent", std::move(outcome));
    Say(Place(task) + ": " +
        (error.empty() ? "mail sent again" : "mail not sent: " + OneLine(error)));
    ++(error.empty() ? sent_ : failed_);
    // After each mail: a resend cut short later never sends this one twice.
    const int written = ReplaceFile(path_, JsonText(record_), 0600);
    if (written == 0) return true;
    Say("cannot rewrite the run record " + path_ + ": " + platform::ErrorText(written) +
        (error.empty() ? "; the mail just sent is not marked there" : ""));
    return false;
  }

  std::string path_;
  JsonValue record_;
  MailSettings mail_;
  int sent_ = 0;
  int failed_ = 0;
  int delivered_before_ = 0;
  int unmade_ = 0;
};

}  // namespace

int ResendFailedMails(const std::string& record_path) {
  std::string bytes;
  std::string reason;
  if (!ReadWholeFile(record_path, bytes, reason)) {
    Say("cannot read the run record " + record_path + ": " + reason);
    return 2;
  }
  JsonValue record;
  try {
    record = ParseJson(bytes);
  } catch (const std::exception& e) {
    Say("the run record " + record_path + " cannot be read: " + e.what());
    return 2;
  }
  Resender resender(record_path, std::move(record));
  return resender.LoadSettings() ? resender.Run() : 2;
}

}  // namespace zeph
