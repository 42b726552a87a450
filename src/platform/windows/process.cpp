#include "platform/process.h"

#include <cerrno>
#include <cstdlib>

#include "platform/windows/windows_support.h"

namespace zeph::platform {

// Windows has no signals for a broken pipe or a file size limit: the write
// itself fails. What would stop an unattended run is a dialog box of the
// system (a missing DLL, a drive without a disk), turned off here.
void SetUpUnattendedProcess() {
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

int CurrentProcessId() {
  return static_cast<int>(::GetCurrentProcessId());
}

bool ProcessIsGone(int pid) {
  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return ::GetLastError() == ERROR_INVALID_PARAMETER;  // no such id
  DWORD code = 0;
  const bool ended = ::GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
  ::CloseHandle(process);
  return ended;
}

// Through the C runtime: its copy of the environment is the one getenv()
// reads, and it passes the change on to the system's.
bool SetEnvironmentValue(const char* name, const std::string& value) {
  errno = ::_putenv_s(name, value.c_str());
  return errno == 0;
}

bool RemoveEnvironmentValue(const char* name) {
  errno = ::_putenv_s(name, "");
  return errno == 0;
}

std::string TemporaryDirectory() {
  wchar_t path[MAX_PATH + 2] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 2, path);
  std::wstring directory(path, length);
  while (directory.size() > 3 && (directory.back() == L'\\' || directory.back() == L'/')) {
    directory.pop_back();
  }
  return directory.empty() ? std::string(".") : windows::Narrow(directory);
}

}  // namespace zeph::platform
