#include "platform/shell_command.h"

#include <thread>

#include "platform/windows/windows_support.h"

namespace zeph::platform {
namespace {

// Reads `pipe` to its end, keeping at most `max_output` bytes.
void Drain(HANDLE pipe, size_t max_output, std::string& text) {
  char buffer[4096];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) || got == 0) return;
    if (text.size() < max_output) text.append(buffer, got);
  }
}

// The shell's line: cmd.exe takes the rest of it as the command, quotes and
// all. The shell has a console of its own, without a window, in the OEM code
// page (852 on a Polish system), and its own commands (echo, set) write in
// the console's code page, so "echo hasło" would reach the caller as bytes
// of neither UTF-8 nor the ANSI code page. chcp first sets that console to
// UTF-8: the shell's commands, and the programs that write as their console
// does, then print UTF-8, and the programs that write UTF-8 or the ANSI code
// page whatever the console stay as they are; the caller tells those two
// apart. `&` binds least in cmd.exe, so the command keeps its own && and ||.
// Both programs are taken from the system directory, never from the current
// or the program's directory, where the system's search would look first.
std::wstring CommandLine(const std::wstring& system, const std::wstring& command) {
  return L"\"" + system + L"\\cmd.exe\" /d /s /c \"\"" + system +
         L"\\chcp.com\" 65001 >nul 2>nul & " + command + L"\"";
}

}  // namespace

CommandEnd RunShellCommand(const std::string& command, std::chrono::seconds timeout,
                           size_t max_output) {
  CommandEnd end;
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  windows::UniqueHandle out_read, out_write, err_read, err_write;
  windows::UniqueHandle input(::CreateFileW(L"NUL", GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                            OPEN_EXISTING, 0, nullptr));
  if (!::CreatePipe(out_read.Out(), out_write.Out(), &inheritable, 0) ||
      !::CreatePipe(err_read.Out(), err_write.Out(), &inheritable, 0) ||
      !::SetHandleInformation(out_read.Get(), HANDLE_FLAG_INHERIT, 0) ||
      !::SetHandleInformation(err_read.Get(), HANDLE_FLAG_INHERIT, 0)) {
    end.start_failure = windows::SystemMessage(::GetLastError());
    return end;
  }
  // A job holds the shell and whatever it starts: at the time limit they
  // all end, and none keeps the pipes open.
  windows::UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (job.Get() != nullptr) {
    ::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.Get();
  startup.hStdOutput = out_write.Get();
  startup.hStdError = err_write.Get();
  wchar_t system[MAX_PATH];
  const UINT system_length = ::GetSystemDirectoryW(system, MAX_PATH);
  if (system_length == 0 || system_length >= MAX_PATH) {
    end.start_failure = windows::SystemMessage(::GetLastError());
    return end;
  }
  std::wstring line = CommandLine(std::wstring(system, system_length), windows::Wide(command));
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                        CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process)) {
    end.start_failure = windows::SystemMessage(::GetLastError());
    return end;
  }
  windows::UniqueHandle process_handle(process.hProcess);
  if (job.Get() != nullptr) ::AssignProcessToJobObject(job.Get(), process.hProcess);
  ::ResumeThread(process.hThread);
  ::CloseHandle(process.hThread);
  out_write.Reset();
  err_write.Reset();
  input.Reset();

  std::thread error_reader(Drain, err_read.Get(), max_output, std::ref(end.error_output));
  std::thread output_reader(Drain, out_read.Get(), max_output, std::ref(end.output));
  const DWORD waited = ::WaitForSingleObject(
      process.hProcess, static_cast<DWORD>(std::chrono::milliseconds(timeout).count()));
  if (waited != WAIT_OBJECT_0) {
    end.timed_out = true;
    if (job.Get() != nullptr) ::TerminateJobObject(job.Get(), 1);
    ::TerminateProcess(process.hProcess, 1);
    ::WaitForSingleObject(process.hProcess, INFINITE);
  }
  output_reader.join();
  error_reader.join();
  DWORD code = 0;
  if (::GetExitCodeProcess(process.hProcess, &code)) end.exit_code = static_cast<int>(code);
  return end;
}

bool CanRunAs(const RunUser& user) {
  return user.is_current;
}

CommandEnd RunShellCommandAs(const RunUser& user, const std::string& command,
                             std::chrono::seconds timeout, size_t max_output) {
  if (CanRunAs(user)) return RunShellCommand(command, timeout, max_output);
  CommandEnd end;
  end.start_failure = "Windows starts no command as another account without its password";
  return end;
}

}  // namespace zeph::platform
