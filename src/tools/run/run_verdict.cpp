#include "tools/run/run_verdict.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <tuple>

namespace zeph {
namespace {

// Messages carry CR LF (the mail failure text); a summary line is one line.
std::string OneLine(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\r') continue;
    out += c == '\n' ? ' ' : c;
  }
  return out;
}

const JsonValue& Member(const JsonValue& object, std::string_view key, JsonValue::Kind kind) {
  const JsonValue* value = object.Find(key);
  if (!value || value->kind != kind) {
    throw std::runtime_error("not a run record: \"" + std::string(key) + "\" missing or mistyped");
  }
  return *value;
}

std::string LabelValue(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string Number(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

}  // namespace

RunVerdict JudgeRecord(const JsonValue& record) {
  using Kind = JsonValue::Kind;
  if (record.kind != Kind::Object) throw std::runtime_error("not a run record: no object");
  RunVerdict verdict;
  verdict.ended_unix = Member(record, "ended_unix", Kind::Number).number;
  verdict.duration_seconds = Member(record, "duration_seconds", Kind::Number).number;
  for (const JsonValue& task : Member(record, "tasks", Kind::Array).items) {
    TaskVerdict judged;
    judged.entry = Member(task, "entry", Kind::String).text;
    judged.switch_name = Member(task, "switch", Kind::String).text;
    judged.enable_key = Member(task, "enable", Kind::String).text;
    const bool outcome = Member(task, "outcome", Kind::String).text == "ok";
    std::string message;
    for (const JsonValue& error : Member(task, "errors", Kind::Array).items) {
      if (error.kind != Kind::String) continue;
      message += (message.empty() ? "" : "; ") + OneLine(error.text);
    }
    bool mails_sent = true;
    for (const JsonValue& mail : Member(task, "mails", Kind::Array).items) {
      if (Member(mail, "sent", Kind::Bool).boolean) continue;
      mails_sent = false;
      ++verdict.mails_failed;
      message += (message.empty() ? "mail: " : "; mail: ") + OneLine(mail.Text("error"));
    }
    judged.succeeded = outcome && mails_sent;
    judged.message = message;
    if (!outcome) ++verdict.tasks_failed;
    verdict.tasks.push_back(std::move(judged));
  }
  // Absent from records of older programs: nothing known to be unused.
  if (const JsonValue* unused = record.Find("switches_unused")) {
    if (unused->kind != Kind::Array) {
      throw std::runtime_error("not a run record: \"switches_unused\" mistyped");
    }
    for (const JsonValue& name : unused->items) {
      if (name.kind == Kind::String) verdict.switches_unused.push_back(name.text);
    }
  }
  const JsonValue* early = record.Find("ended_early");
  if (!early) throw std::runtime_error("not a run record: \"ended_early\" missing");
  verdict.ended_early = early->kind == Kind::Object;
  if (verdict.ended_early) {
    verdict.early_stage = early->Text("stage");
    verdict.early_message = OneLine(early->Text("message"));
    const std::string reason = early->Text("reason");
    if (!reason.empty()) verdict.early_message += ": " + OneLine(reason);
  }
  verdict.ran_nothing = !verdict.ended_early && verdict.tasks.empty();
  if (verdict.ended_early) {
    verdict.exit_code = kRunIncomplete;
  } else if (verdict.ran_nothing || verdict.tasks_failed > 0 || verdict.mails_failed > 0) {
    verdict.exit_code = kRunFailed;
  } else {
    verdict.exit_code = kRunSucceeded;
  }
  return verdict;
}

RunVerdict NoRecord(const std::string& why, double now_unix) {
  RunVerdict verdict;
  verdict.exit_code = kRunIncomplete;
  verdict.ended_early = true;
  verdict.early_stage = "start";
  verdict.early_message = OneLine(why);
  verdict.ended_unix = now_unix;
  return verdict;
}

double LastSuccessIn(const std::string& metrics_text) {
  const std::string name = "zephautomat_last_run_success_timestamp_seconds{";
  for (size_t at = metrics_text.find(name); at != std::string::npos;
       at = metrics_text.find(name, at + 1)) {
    if (at != 0 && metrics_text[at - 1] != '\n') continue;
    const size_t end = metrics_text.find('\n', at);
    const std::string line = metrics_text.substr(at, end == std::string::npos ? end : end - at);
    const std::string value = line.substr(line.rfind(' ') + 1);
    char* stop = nullptr;
    const double seconds = std::strtod(value.c_str(), &stop);
    if (!value.empty() && *stop == '\0' && seconds > 0) return seconds;
  }
  return 0;
}

std::vector<std::string> SummaryLines(const RunVerdict& verdict) {
  std::vector<std::string> lines;
  for (const TaskVerdict& task : verdict.tasks) {
    std::string line = "[" + task.entry + "] " + task.switch_name + " (" + task.enable_key + "): ";
    line += task.succeeded ? "ok" : "FAILED";
    if (!task.message.empty()) line += ": " + task.message;
    lines.push_back(std::move(line));
  }
  for (const std::string& name : verdict.switches_unused) {
    lines.push_back("warning: " + name +
                    " was requested, but no entry of serwery.ini enables it; " + "it ran nothing");
  }
  if (verdict.ran_nothing) {
    lines.push_back(
        "warning: no task ran: no entry of serwery.ini enables a requested switch; a run that "
        "does no work is no success");
  }
  if (verdict.ended_early) {
    std::string line = "the run ended early";
    if (!verdict.early_stage.empty()) line += " (" + verdict.early_stage + ")";
    line += ": " + verdict.early_message;
    lines.push_back(std::move(line));
  }
  lines.push_back(std::to_string(verdict.tasks.size()) + " tasks run, " +
                  std::to_string(verdict.tasks_failed) + " failed, " +
                  std::to_string(verdict.mails_failed) + " mails failed; exit code " +
                  std::to_string(verdict.exit_code));
  return lines;
}

std::string MetricsText(const RunVerdict& verdict, const std::string& instance_dir) {
  const std::string instance = "instance_dir=\"" + LabelValue(instance_dir) + "\"";
  std::string text;
  auto gauge = [&](const char* name, const char* help, const std::string& value) {
    text += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " gauge\n";
    text += std::string(name) + "{" + instance + "} " + value + "\n";
  };
  gauge("zephautomat_last_run_timestamp_seconds", "When the last run ended (Unix time).",
        Number(verdict.ended_unix));
  gauge("zephautomat_last_run_duration_seconds", "How long the last run took.",
        Number(verdict.duration_seconds));
  gauge("zephautomat_last_run_exit_code",
        "Verdict of the last run: 0 all succeeded, 1 a task or mail failed or no task ran, 2 "
        "ended early or no record.",
        std::to_string(verdict.exit_code));
  gauge(
      "zephautomat_last_run_success_timestamp_seconds",
      "When the last run with exit code 0 ended (Unix time; 0: none yet).",
      Number(verdict.exit_code == kRunSucceeded ? verdict.ended_unix : verdict.last_success_unix));
  gauge("zephautomat_last_run_switches_unused",
        "Switches the last run was given that no entry enables.",
        std::to_string(verdict.switches_unused.size()));
  gauge("zephautomat_last_run_ended_early", "1 when the last run ended before its end.",
        verdict.ended_early ? "1" : "0");
  gauge("zephautomat_last_run_tasks_run", "Tasks the last run ran (0: it did no work).",
        std::to_string(verdict.tasks.size()));
  gauge("zephautomat_last_run_tasks_failed", "Tasks of the last run that failed.",
        std::to_string(verdict.tasks_failed));
  gauge("zephautomat_last_run_mails_failed", "Mails of the last run that were not sent.",
        std::to_string(verdict.mails_failed));

  // One series per entry and task; a task that ran more than once for an
  // entry succeeded only when every run did.
  std::map<std::tuple<std::string, std::string, std::string>, bool> success;
  for (const TaskVerdict& task : verdict.tasks) {
    auto [it, inserted] =
        success.try_emplace({task.entry, task.switch_name, task.enable_key}, task.succeeded);
    if (!inserted) it->second = it->second && task.succeeded;
  }
  text +=
      "# HELP zephautomat_task_success 1 when the task and its mails succeeded in the last run.\n"
      "# TYPE zephautomat_task_success gauge\n";
  for (const auto& [key, succeeded] : success) {
    const auto& [entry, switch_name, enable_key] = key;
    text += "zephautomat_task_success{" + instance + ",entry=\"" + LabelValue(entry) +
            "\",switch=\"" + LabelValue(switch_name) + "\",enable=\"" + LabelValue(enable_key) +
            "\"} " + (succeeded ? "1" : "0") + "\n";
  }
  return text;
}

}  // namespace zeph
