#include "mail/password_command.h"

#include <chrono>
#include <map>

#include "config/ini_encoding.h"
#include "platform/shell_command.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

constexpr int kTimeoutSeconds = 60;
constexpr size_t kMaxOutput = 64 * 1024;  // more is no password
constexpr size_t kMaxErrorText = 1000;    // of standard error, in the message

// What the command printed, on standard output and standard error alike, is
// UTF-8 when it reads as such (the system's tools, and on Windows the shell's
// own commands: platform/shell_command.h), otherwise Windows-1250 (a command
// written in serwery.ini's own encoding that echoes its text, a program
// writing the ANSI code page).
bool IsUtf8Text(std::string_view bytes) {
  return DetectIniEncoding(bytes) == IniEncoding::kUtf8;
}

// Standard error as one line of the program's message: UTF-8 becomes
// Windows-1250 (before the cut, which could split a UTF-8 character),
// control characters become blanks, and the text is cut.
std::string ErrorText(const std::string& bytes) {
  std::string text = (IsUtf8Text(bytes) ? Utf8ToAnsi(bytes) : bytes).substr(0, kMaxErrorText);
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < ' ' || c == 0x7F) c = ' ';
  }
  return Trim(text);
}

std::string Failure(const std::string& what, const std::string& error_output) {
  const std::string text = ErrorText(error_output);
  return Text1250(what) + (text.empty() ? "" : ": " + text);
}

// The password the command printed, or its failure.
std::string PasswordOf(const platform::CommandEnd& end, int timeout_seconds) {
  const std::string& output = end.output;
  const std::string& error_output = end.error_output;
  if (!end.start_failure.empty()) {
    throw Exception(Text1250("nie można uruchomić PolecenieHasla: ") + end.start_failure);
  }
  if (end.timed_out) {
    throw Exception(Failure("PolecenieHasla nie zakończyło się w ciągu " +
                                std::to_string(timeout_seconds) + " s i zostało przerwane",
                            error_output));
  }
  if (end.signal != 0) {
    throw Exception(Failure(
        "PolecenieHasla zostało przerwane sygnałem " + std::to_string(end.signal), error_output));
  }
  if (end.exit_code != 0) {
    throw Exception(Failure("PolecenieHasla zakończyło się kodem " + std::to_string(end.exit_code),
                            error_output));
  }
  std::string password = output.substr(0, output.find('\n'));
  if (!password.empty() && password.back() == '\r') password.pop_back();
  if (password.empty()) {
    throw Exception(
        Failure("PolecenieHasla nie wypisało hasła: jego pierwszy wiersz jest pusty (kod 0)",
                error_output));
  }
  // The session sends UTF-8, as it does with Haslo converted.
  return IsUtf8Text(password) ? password : AnsiToUtf8(password);
}

}  // namespace

std::string RunPasswordCommand(const std::string& command, int timeout_seconds) {
  return PasswordOf(
      platform::RunShellCommand(command, std::chrono::seconds(timeout_seconds), kMaxOutput),
      timeout_seconds);
}

std::string RunPasswordCommandAs(const platform::RunUser& user, const std::string& command,
                                 int timeout_seconds) {
  return PasswordOf(
      platform::RunShellCommandAs(user, command, std::chrono::seconds(timeout_seconds), kMaxOutput),
      timeout_seconds);
}

std::string PasswordFromCommand(const std::string& command) {
  struct Outcome {
    std::string password;
    std::string error;
  };
  // One run of the program mails with one password: the command is not run
  // again for every mail, nor again after it failed.
  static std::map<std::string, Outcome> outcomes;
  auto found = outcomes.find(command);
  if (found == outcomes.end()) {
    Outcome outcome;
    try {
      outcome.password = RunPasswordCommand(command, kTimeoutSeconds);
    } catch (const Exception& e) {
      outcome.error = e.Message();
    }
    found = outcomes.emplace(command, std::move(outcome)).first;
  }
  if (!found->second.error.empty()) throw Exception(found->second.error);
  return found->second.password;
}

}  // namespace zeph
