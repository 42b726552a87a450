// The wrapper's reading of run records: the JSON reader, the verdict and the
// metrics. The records here are what the program writes, cut to the fields
// the verdict reads.
#include "tools/run/run_verdict.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "log/run_record.h"
#include "test_support.h"
#include "tools/run/json_value.h"

namespace zeph {
namespace {

struct JsonCase {
  std::string name;
  std::string document;
  std::string text;  // the string member "s" as UTF-8; "!" when malformed
};

class JsonTest : public ::testing::TestWithParam<JsonCase> {};

TEST_P(JsonTest, ReadsStringsAndRefusesMalformedDocuments) {
  const JsonCase& c = GetParam();
  if (c.text == "!") {
    EXPECT_THROW(ParseJson(c.document), std::runtime_error);
    return;
  }
  EXPECT_EQ(ParseJson(c.document).Text("s"), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, JsonTest,
    ::testing::Values(JsonCase{"Plain", R"({"s": "abc", "n": [1, -2.5e3, true, null, {}]})", "abc"},
                      JsonCase{"Escapes", R"({"s": "a\"b\\c\/d\r\n\t"})", "a\"b\\c/d\r\n\t"},
                      JsonCase{"PolishAsIs",
                               "{\"s\": \"B\xc5\x81\xc4\x84"
                               "D\"}",
                               "B\xc5\x81\xc4\x84"
                               "D"},
                      JsonCase{"UnicodeEscape", R"({"s": "\u0141\u00f3d\u017a"})",
                               "\xc5\x81\xc3\xb3"
                               "d\xc5\xba"},
                      JsonCase{"SurrogatePair", R"({"s": "\ud83d\ude00"})", "\xf0\x9f\x98\x80"},
                      JsonCase{"LoneSurrogate", R"({"s": "\ud83d"})", "!"},
                      JsonCase{"Unterminated", R"({"s": "abc)", "!"},
                      JsonCase{"RawLineBreak", "{\"s\": \"a\nb\"}", "!"},
                      JsonCase{"TrailingText", R"({"s": "a"} x)", "!"},
                      JsonCase{"MissingComma", R"({"s": "a" "t": 1})", "!"},
                      JsonCase{"BadNumber", R"({"n": 1.2.3})", "!"},
                      JsonCase{"TooDeep", std::string(100, '[') + std::string(100, ']'), "!"},
                      JsonCase{"Empty", "", "!"}),
    CaseName());

// A record as the program writes it, with one task per element of `tasks`
// (JSON objects) and `early` as "ended_early".
std::string Record(const std::string& tasks, const std::string& early = "null") {
  return R"({"format": 1, "ended_unix": 1700000000.5, "duration_seconds": 2.25, "switches": [],)"
         R"( "tasks": [)" +
         tasks + R"(], "ended_early": )" + early + "}";
}

std::string Task(const std::string& entry, const std::string& outcome,
                 const std::string& errors = "", const std::string& mails = "") {
  return R"({"entry": ")" + entry +
         R"(", "server": "S", "database": "D", "switch": "/EK",)"
         R"( "enable": "EksportDoPelkTessaro", "outcome": ")" +
         outcome + R"(", "errors": [)" + errors + R"(], "mails": [)" + mails + "]}";
}

struct VerdictCase {
  std::string name;
  std::string record;
  int exit_code;
  int tasks_failed;
  int mails_failed;
};

class VerdictTest : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(VerdictTest, ExitCodeCountsFailedTasksAndMails) {
  const VerdictCase& c = GetParam();
  const RunVerdict verdict = JudgeRecord(ParseJson(c.record));
  EXPECT_EQ(verdict.exit_code, c.exit_code);
  EXPECT_EQ(verdict.tasks_failed, c.tasks_failed);
  EXPECT_EQ(verdict.mails_failed, c.mails_failed);
}

INSTANTIATE_TEST_SUITE_P(
    Records, VerdictTest,
    ::testing::Values(
        // Nothing done is no success: no entry enabled a requested switch.
        VerdictCase{"NoTasks", Record(""), kRunFailed, 0, 0},
        VerdictCase{"AllGood",
                    Record(Task("A", "ok", "", R"({"sent": true})") + "," + Task("B", "ok")),
                    kRunSucceeded, 0, 0},
        VerdictCase{"TaskFailed", Record(Task("A", "ok") + "," + Task("B", "failed", R"("x")")),
                    kRunFailed, 1, 0},
        VerdictCase{"MailFailedTaskOk",
                    Record(Task("A", "ok", "", R"({"sent": true}, {"sent": false, "error": "e"})")),
                    kRunFailed, 0, 1},
        VerdictCase{"EndedEarlyAfterGoodTasks",
                    Record(Task("A", "ok"), R"({"stage": "run", "message": "m"})"), kRunIncomplete,
                    0, 0},
        VerdictCase{"ConfigurationError",
                    Record("", R"({"stage": "configuration", "message": "m"})"), kRunIncomplete, 0,
                    0}),
    CaseName());

TEST(VerdictTest, RefusesDocumentsThatAreNoRecord) {
  for (const std::string& document :
       {std::string("[]"), std::string(R"({"tasks": []})"), Record(R"({"entry": "A"})"),
        Record(Task("A", "ok", "", R"({"sent": "yes"})"))}) {
    EXPECT_THROW(JudgeRecord(ParseJson(document)), std::runtime_error) << document;
  }
}

TEST(VerdictTest, SummaryPutsMultiLineMessagesOnOneLine) {
  const RunVerdict verdict = JudgeRecord(
      ParseJson(Record(Task("Hurtownia", "failed", R"("pierwszy\r\ndrugi")",
                            R"j({"sent": false, "error": "poczta\r\n(komunikat: x)"})j"))));
  EXPECT_EQ(SummaryLines(verdict),
            (std::vector<std::string>{
                "[Hurtownia] /EK (EksportDoPelkTessaro): FAILED: pierwszy drugi; mail: poczta "
                "(komunikat: x)",
                "1 tasks run, 1 failed, 1 mails failed; exit code 1"}));
}

TEST(VerdictTest, RunWithoutTasksIsToldAndKeepsTheLastSuccess) {
  RunVerdict verdict = JudgeRecord(ParseJson(Record("")));
  EXPECT_EQ(SummaryLines(verdict),
            (std::vector<std::string>{
                "warning: no task ran: no entry of serwery.ini enables a requested switch; a run "
                "that does no work is no success",
                "0 tasks run, 0 failed, 0 mails failed; exit code 1"}));
  verdict.last_success_unix = 1600000000;
  const std::string metrics = MetricsText(verdict, "/a");
  EXPECT_NE(metrics.find("zephautomat_last_run_tasks_run{instance_dir=\"/a\"} 0\n"),
            std::string::npos)
      << metrics;
  EXPECT_EQ(LastSuccessIn(metrics), 1600000000);
}

TEST(MetricsTest, EscapesLabelsAndJoinsRepeatedTasks) {
  // The same entry and task twice: success only when both succeeded.
  const RunVerdict verdict =
      JudgeRecord(ParseJson(Record(Task(R"(Dzia\u0142 \"IT\" \\ 2)", "ok") + "," +
                                   Task(R"(Dzia\u0142 \"IT\" \\ 2)", "failed"))));
  const std::string metrics = MetricsText(verdict, "/srv/zephautomat/a\"b");
  EXPECT_NE(metrics.find("zephautomat_last_run_timestamp_seconds{instance_dir=\"/srv/zephautomat/"
                         "a\\\"b\"} 1700000000.500\n"),
            std::string::npos)
      << metrics;
  EXPECT_NE(metrics.find("zephautomat_task_success{instance_dir=\"/srv/zephautomat/a\\\"b\","
                         "entry=\"Dzia\xc5\x82 \\\"IT\\\" \\\\ 2\",switch=\"/EK\","
                         "enable=\"EksportDoPelkTessaro\"} 0\n"),
            std::string::npos)
      << metrics;
  EXPECT_EQ(metrics.find("} 1\n", metrics.find("zephautomat_task_success{")), std::string::npos);
}

TEST(MetricsTest, LastSuccessIsReadBackFromTheEarlierFile) {
  const std::string line = "zephautomat_last_run_success_timestamp_seconds{instance_dir=\"/a\"} ";
  const std::pair<std::string, double> cases[] = {
      {"", 0},
      {"# HELP " + line + "x\n" + line + "1700000000.250\n", 1700000000.25},
      {"zephautomat_last_run_timestamp_seconds{instance_dir=\"/a\"} 5\n" + line + "7.5", 7.5},
      {line + "garbage\n", 0},
      {line + "-3\n", 0},
      {"x_" + line + "9\n", 0},
  };
  for (const auto& [text, seconds] : cases) EXPECT_EQ(LastSuccessIn(text), seconds) << text;

  // A run that did not succeed carries the earlier time on; one that did, its own.
  RunVerdict verdict = JudgeRecord(ParseJson(Record(Task("A", "failed"))));
  verdict.last_success_unix = 1600000000;
  EXPECT_EQ(LastSuccessIn(MetricsText(verdict, "/a")), 1600000000);
  verdict = JudgeRecord(ParseJson(Record(Task("A", "ok"))));
  verdict.last_success_unix = 1600000000;
  EXPECT_EQ(LastSuccessIn(MetricsText(verdict, "/a")), 1700000000.5);
}

TEST(RunRecordTest, WrittenRecordReadsBackWithItsTexts) {
  // Windows-1250 texts with a line break and a quote, as a task reports them.
  RunRecord record("unused");
  const char* argv[] = {"zephautomat", "/EK"};
  record.Start(2, argv, "/srv/p\xf3\xb3noc/");
  record.BeginTask("P\xf3\xb3noc", "SRV", "DB", "/EK", "EksportDoPelkTessaro");
  record.TaskError(
      "B\xa3\xa5"
      "D: \"x\"\r\n\x01");
  // The failed mail is kept whole; a sent one and its attempt leave no message.
  record.MailAttempt({"smtp:25", "a@b", "c@d", "Raport", "dzie\xf1\r\n", {"/nie/ma"}});
  record.Mail(false, "poczta");
  record.MailAttempt({"smtp:25", "a@b", "c@d", "Raport", "", {}});
  record.Mail(true, "");
  record.TaskOutcome(false);
  record.EndTask();
  record.EndedEarly("koniec");

  const JsonValue json = ParseJson(record.ToJson());
  const JsonValue& task = json.Find("tasks")->items.at(0);
  EXPECT_EQ(task.Text("entry"), "P\xc3\xb3\xc5\x82noc");
  EXPECT_EQ(task.Find("errors")->items.at(0).text,
            "B\xc5\x81\xc4\x84"
            "D: \"x\"\r\n\x01");
  EXPECT_EQ(json.Text("instance_dir"), "/srv/p\xc3\xb3\xc5\x82noc/");
  const JsonValue& failed = task.Find("mails")->items.at(0);
  const JsonValue* message = failed.Find("message");
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->Text("server"), "smtp:25");
  EXPECT_EQ(message->Text("recipients"), "c@d");
  EXPECT_EQ(message->Text("body"), "dzie\xc5\x84\r\n");
  const JsonValue& file = message->Find("attachments")->items.at(0);
  EXPECT_EQ(file.Text("path"), "/nie/ma");
  EXPECT_EQ(file.Find("size"), nullptr);  // missing when the mail was tried
  EXPECT_EQ(task.Find("mails")->items.at(1).Find("message"), nullptr);
  EXPECT_EQ(json.Find("ended_early")->Text("stage"), "run");
  const RunVerdict verdict = JudgeRecord(json);
  EXPECT_EQ(verdict.exit_code, kRunIncomplete);
  EXPECT_EQ(verdict.tasks_failed, 1);
  EXPECT_EQ(verdict.mails_failed, 1);

  // Read and written again, the record keeps its texts and numbers as they were.
  const JsonValue again = ParseJson(JsonText(json));
  EXPECT_EQ(JsonText(again), JsonText(json));
  EXPECT_EQ(again.Find("ended_unix")->text, json.Find("ended_unix")->text);
  EXPECT_EQ(again.Find("tasks")->items.at(0).Find("errors")->items.at(0).text,
            task.Find("errors")->items.at(0).text);
}

}  // namespace
}  // namespace zeph
