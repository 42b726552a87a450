#include "platform/program_launch.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "platform/command_line.h"
#include "platform/error_text.h"
#include "platform/windows/windows_support.h"

namespace zeph::platform {
namespace {

using windows::Wide;

// A failure's reason as the POSIX build words it: the wrapper's summary and
// record read the same on both systems, in ASCII rather than the system's
// own language and code page.
std::string Reason(DWORD error) {
  return ErrorText(windows::ErrnoOf(error));
}

// This process's environment without `variable`, then variable=value, as
// the block CreateProcessW takes (sorted, as Windows keeps it).
std::wstring EnvironmentBlock(const std::string& variable, const std::string& value) {
  std::vector<std::wstring> entries;
  const std::wstring prefix = Wide(variable) + L"=";
  wchar_t* block = ::GetEnvironmentStringsW();
  for (const wchar_t* entry = block; entry != nullptr && *entry != L'\0';
       entry += std::wcslen(entry) + 1) {
    std::wstring text = entry;
    const bool same = text.size() >= prefix.size() &&
                      ::_wcsnicmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
    if (!same) entries.push_back(std::move(text));
  }
  if (block != nullptr) ::FreeEnvironmentStringsW(block);
  entries.push_back(prefix + Wide(value));
  std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
    return ::_wcsicmp(a.c_str(), b.c_str()) < 0;
  });
  std::wstring result;
  for (const std::wstring& entry : entries) {
    result += entry;
    result += L'\0';
  }
  result += L'\0';
  return result;
}

}  // namespace

ProgramEnd RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& variable, const std::string& value,
                      const OutputSink& output) {
  ProgramEnd end;
  std::vector<std::string> words{program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::wstring line = Wide(CommandLine(words));
  std::wstring environment = EnvironmentBlock(variable, value);

  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  windows::UniqueHandle read_end;
  windows::UniqueHandle write_end;
  if (!::CreatePipe(read_end.Out(), write_end.Out(), &inheritable, 0) ||
      !::SetHandleInformation(read_end.Get(), HANDLE_FLAG_INHERIT, 0)) {
    end.failure = "cannot make a pipe for the program's output: " + Reason(::GetLastError());
    return end;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = write_end.Get();
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  const BOOL started =
      ::CreateProcessW(Wide(program).c_str(), line.data(), nullptr, nullptr, TRUE,
                       CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &process);
  const DWORD start_error = ::GetLastError();
  write_end.Reset();  // the child's copy is the only writer left
  if (!started) {
    end.failure = "cannot start " + program + ": " +
                  ErrorText(windows::SetErrnoOfPath(Wide(program), start_error));
    return end;
  }
  ::CloseHandle(process.hThread);
  end.started = true;
  char buffer[4096];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(read_end.Get(), buffer, sizeof buffer, &got, nullptr) || got == 0) break;
    output(std::string_view(buffer, got));
  }
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  if (!::GetExitCodeProcess(process.hProcess, &code)) {
    end.failure = "cannot wait for the program: " + Reason(::GetLastError());
  } else {
    end.exit_code = static_cast<int>(code);
    if (code != 0) end.failure = "the program exited with code " + std::to_string(code);
  }
  ::CloseHandle(process.hProcess);
  return end;
}

}  // namespace zeph::platform
