// What the Windows implementations share: paths as the system's wide
// strings, Windows error codes as errno values, descriptors as handles.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace zeph::platform::windows {

// The program's texts, paths among them, are in the ANSI code page (1250
// on the machines it serves): the command line, serwery.ini and the
// system's own answers all come that way.
std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);
// The same text in UTF-8, for the tools' reports.
std::string Utf8(const std::wstring& text);
// A text the operator gave (an argument) in the ANSI code page as it is,
// without Narrow's look-alikes: a character the code page lacks becomes
// kNoSuchCharacter (command_line.h), never '?' nor a near letter.
std::string ProgramText(const std::wstring& text);
// A UTF-8 text (the tools' arguments) as ProgramText gives it.
std::wstring WideOfUtf8(const std::string& text);

// The errno value closest to a Windows error, so that every system reports
// a failure by the same number and reason text.
int ErrnoOf(DWORD error);
// Sets errno from GetLastError() (or `error`); returns the errno value.
int SetErrnoFrom(DWORD error);
int SetErrnoFromLastError();
// The same for a failure on `path`, told as a POSIX system tells it where
// Windows is vaguer: a directory opened as a file is EISDIR (Windows says
// access denied), a path through a regular file is ENOTDIR (Windows says
// the path is not found).
int SetErrnoOfPath(const std::wstring& path, DWORD error);

// The system's text for a Windows error, without the trailing line end.
std::string SystemMessage(DWORD error);

// The handle under a C runtime descriptor; INVALID_HANDLE_VALUE with
// errno EBADF when there is none.
HANDLE HandleOf(int fd);

// Owns a handle and closes it on every path out of a scope.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  HANDLE* Out() { return &handle_; }
  HANDLE Get() const { return handle_; }
  void Reset() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

// Owns what the system allocated for the caller with LocalAlloc (a
// security descriptor from GetNamedSecurityInfoW, a SID's text) and frees
// it on every path out of a scope.
class LocalMemory {
 public:
  LocalMemory() = default;
  ~LocalMemory() {
    if (memory_ != nullptr) ::LocalFree(memory_);
  }
  LocalMemory(const LocalMemory&) = delete;
  LocalMemory& operator=(const LocalMemory&) = delete;
  void** Out() { return &memory_; }
  void* Get() const { return memory_; }

 private:
  void* memory_ = nullptr;
};

// Nanoseconds since 1970 of a FILETIME (100 ns since 1601).
long long UnixNanoseconds(const FILETIME& time);

}  // namespace zeph::platform::windows
