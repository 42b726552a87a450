// PolecenieHasla's command: the limit on a command that never ends, with
// whatever it started, and the exit statuses the message reports. The mail
// round trips with a command are checked end to end.
#include "mail/password_command.h"

#include <gtest/gtest.h>

#include <string>

#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

std::string FailureOf(const std::string& command, int timeout_seconds) {
  try {
    RunPasswordCommand(command, timeout_seconds);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "no failure";
}

TEST(PasswordCommandTest, HangingCommandIsKilledWithWhatItStarted) {
  // The background child holds standard output open: only killing the
  // whole group ends the read.
  EXPECT_EQ(FailureOf("echo czekam >&2; sleep 300 & sleep 300", 1),
            Text1250("PolecenieHasla nie zakończyło się w ciągu 1 s i zostało przerwane: czekam"));
}

TEST(PasswordCommandTest, OutputAndFailures) {
  EXPECT_EQ(RunPasswordCommand("printf 'hasło z odstępem \\nreszta'", 10), "hasło z odstępem ");
  EXPECT_EQ(RunPasswordCommand("printf 'has\\263o'", 10), "hasło");  // Windows-1250 output
  EXPECT_EQ(FailureOf("exit 127", 10), Text1250("PolecenieHasla zakończyło się kodem 127"));
  EXPECT_EQ(FailureOf("printf 'a\\tb\\r\\nc' >&2; exit 1", 10),
            Text1250("PolecenieHasla zakończyło się kodem 1: a b  c"));
  EXPECT_EQ(FailureOf("no-such-command-here 2>/dev/null", 10),
            Text1250("PolecenieHasla zakończyło się kodem 127"));
  // UTF-8 standard error is read whole before the message's cut, which
  // would otherwise split its last letter and turn the text into Windows-1250.
  EXPECT_EQ(FailureOf("printf '%0999d\\305\\202 i reszta' 0 >&2; exit 1", 10),
            Text1250("PolecenieHasla zakończyło się kodem 1: " + std::string(999, '0') + "ł"));
}

}  // namespace
}  // namespace zeph
