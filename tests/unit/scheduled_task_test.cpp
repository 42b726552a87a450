// The nightly task's definition: the settings that keep runs apart and
// bounded, the account's logon, and the wrapper's command line, which the
// Task Scheduler hands to the C runtime of zephautomat-run.exe to split.
#include "tools/instance/scheduled_task.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/command_line.h"

namespace zeph {
namespace {

ScheduledRun Nightly() {
  ScheduledRun run;
  run.name = "main";
  run.account = "ZEPH\\svc-zeph";
  run.start = "02:30";
  run.time_limit_hours = 3;
  run.wrapper = "C:\\Program Files\\ZephAutomat\\zephautomat-run.exe";
  run.instance_dir = "C:\\ZephAutomat\\main";
  run.switches = {"/WDS", "/CSK"};
  run.record = "C:\\ZephAutomat\\main\\zephautomat-run.json";
  run.metrics = "C:\\Program Files\\windows_exporter\\textfile_inputs\\zephautomat_main.prom";
  return run;
}

// The text of the one element `name` of the definition.
std::string Element(const std::string& xml, const std::string& name) {
  const std::string open = "<" + name + ">";
  const size_t begin = xml.find(open);
  const size_t end = xml.find("</" + name + ">");
  EXPECT_NE(begin, std::string::npos) << name;
  EXPECT_EQ(xml.find(open, begin + 1), std::string::npos) << name << " twice";
  if (begin == std::string::npos || end == std::string::npos) return "";
  return xml.substr(begin + open.size(), end - begin - open.size());
}

TEST(ScheduledTaskTest, OneRunAtATimeEveryDayWithinItsTimeLimit) {
  const std::string xml = TaskDefinition(Nightly());
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n", 0), 0u);
  EXPECT_NE(xml.find("<Task version=\"1.2\" "
                     "xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">"),
            std::string::npos);
  EXPECT_EQ(Element(xml, "URI"), "\\ZephAutomat\\main");
  EXPECT_EQ(Element(xml, "StartBoundary"), "2000-01-01T02:30:00");
  EXPECT_EQ(Element(xml, "DaysInterval"), "1");
  EXPECT_EQ(Element(xml, "MultipleInstancesPolicy"), "IgnoreNew");
  EXPECT_EQ(Element(xml, "ExecutionTimeLimit"), "PT3H");
  EXPECT_EQ(Element(xml, "UserId"), "ZEPH\\svc-zeph");
  EXPECT_EQ(Element(xml, "LogonType"), "S4U");
  EXPECT_EQ(Element(xml, "RunLevel"), "LeastPrivilege");
  EXPECT_EQ(Element(xml, "WorkingDirectory"), "C:\\ZephAutomat\\main");
}

// The task starts the wrapper itself, not through cmd.exe: its last result
// is the wrapper's exit code.
TEST(ScheduledTaskTest, TheActionIsTheWrapperWithItsRecordMetricsAndSwitches) {
  const std::string xml = TaskDefinition(Nightly());
  EXPECT_EQ(Element(xml, "Command"),
            "&quot;C:\\Program Files\\ZephAutomat\\zephautomat-run.exe&quot;");
  EXPECT_EQ(Element(xml, "Arguments"),
            "--quiet --record C:\\ZephAutomat\\main\\zephautomat-run.json --metrics "
            "&quot;C:\\Program Files\\windows_exporter\\textfile_inputs\\zephautomat_main.prom"
            "&quot; C:\\ZephAutomat\\main /WDS /CSK");
}

TEST(ScheduledTaskTest, TextIsEscapedForXml) {
  ScheduledRun run = Nightly();
  run.account = "A&B<C>";
  run.instance_dir = "D:\\R&D";
  const std::string xml = TaskDefinition(run);
  EXPECT_EQ(Element(xml, "UserId"), "A&amp;B&lt;C&gt;");
  EXPECT_EQ(Element(xml, "WorkingDirectory"), "D:\\R&amp;D");
}

TEST(ScheduledTaskTest, BuiltInServiceAccountsLogOnAsServices) {
  const struct {
    const char* account;
    const char* logon;
  } cases[] = {
      {"SYSTEM", "ServiceAccount"},
      {"NT AUTHORITY\\SYSTEM", "ServiceAccount"},
      {"nt authority\\network service", "ServiceAccount"},
      {"LOCAL SERVICE", "ServiceAccount"},
      {"svc-zeph", "S4U"},
      {"ZEPH\\SYSTEMS", "S4U"},
  };
  for (const auto& c : cases) EXPECT_STREQ(LogonTypeOf(c.account), c.logon) << c.account;
}

TEST(ScheduledTaskTest, TimesOfDay) {
  for (const char* good : {"00:00", "02:00", "23:59"}) EXPECT_TRUE(IsTimeOfDay(good)) << good;
  for (const char* bad : {"24:00", "2:00", "02:60", "02-00", "0200", "", "ab:cd", "02:00 "}) {
    EXPECT_FALSE(IsTimeOfDay(bad)) << bad;
  }
}

// What the C runtime of the started program makes of a command line.
TEST(CommandLineTest, ArgumentsComeOutWhole) {
  const struct {
    std::string argument;
    std::string quoted;
  } cases[] = {
      {"/WDS", "/WDS"},
      {"C:\\ZephAutomat\\main", "C:\\ZephAutomat\\main"},
      {"C:\\Program Files\\x", "\"C:\\Program Files\\x\""},
      {"", "\"\""},
      {"C:\\dir with blank\\", "\"C:\\dir with blank\\\\\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"a\\\"b", "\"a\\\\\\\"b\""},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::QuotedArgument(c.argument), c.quoted);
  EXPECT_EQ(platform::CommandLine({"a b", "c"}), "\"a b\" c");
}

}  // namespace
}  // namespace zeph
