#include "platform/windows/windows_support.h"

#include <io.h>

#include <cerrno>

#include "platform/program_arguments.h"

namespace zeph::platform::windows {

namespace {

std::wstring FromCodePage(const std::string& text, UINT code_page) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(code_page, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string InCodePage(const std::wstring& text, UINT code_page, DWORD flags = 0,
                       const char* missing = nullptr) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length =
      ::WideCharToMultiByte(code_page, flags, text.data(), size, nullptr, 0, missing, nullptr);
  std::string narrow(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(code_page, flags, text.data(), size, narrow.data(), length, missing,
                        nullptr);
  return narrow;
}

}  // namespace

std::wstring Wide(const std::string& text) {
  return FromCodePage(text, CP_ACP);
}

std::string Narrow(const std::wstring& text) {
  return InCodePage(text, CP_ACP);
}

std::string Utf8(const std::wstring& text) {
  return InCodePage(text, CP_UTF8);
}

std::string ProgramText(const std::wstring& text) {
  const char missing[] = {kNoSuchCharacter, '\0'};
  return InCodePage(text, CP_ACP, WC_NO_BEST_FIT_CHARS, missing);
}

std::wstring WideOfUtf8(const std::string& text) {
  return FromCodePage(text, CP_UTF8);
}

int ErrnoOf(DWORD error) {
  struct Mapping {
    DWORD windows;
    int posix;
  };
  static constexpr Mapping kMappings[] = {
      {ERROR_FILE_NOT_FOUND, ENOENT},
      {ERROR_PATH_NOT_FOUND, ENOENT},
      {ERROR_INVALID_NAME, ENOENT},
      {ERROR_BAD_NETPATH, ENOENT},
      {ERROR_INVALID_DRIVE, ENOENT},
      {ERROR_ACCESS_DENIED, EACCES},
      {ERROR_SHARING_VIOLATION, EACCES},
      {ERROR_WRITE_PROTECT, EROFS},
      {ERROR_LOCK_VIOLATION, EWOULDBLOCK},
      {ERROR_IO_PENDING, EWOULDBLOCK},
      {ERROR_FILE_EXISTS, EEXIST},
      {ERROR_ALREADY_EXISTS, EEXIST},
      {ERROR_DISK_FULL, ENOSPC},
      {ERROR_HANDLE_DISK_FULL, ENOSPC},
      {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
      {ERROR_OUTOFMEMORY, ENOMEM},
      {ERROR_INVALID_HANDLE, EBADF},
      {ERROR_DIRECTORY, ENOTDIR},
      {ERROR_DIR_NOT_EMPTY, ENOTEMPTY},
      {ERROR_BROKEN_PIPE, EPIPE},
      {ERROR_NO_DATA, EPIPE},
      {ERROR_TOO_MANY_OPEN_FILES, EMFILE},
      {ERROR_NOT_SAME_DEVICE, EXDEV},
      {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
      {ERROR_NOT_SUPPORTED, ENOSYS},
      {ERROR_INVALID_FUNCTION, ENOSYS},
      {ERROR_CANT_RESOLVE_FILENAME, ELOOP},
      {ERROR_BAD_EXE_FORMAT, ENOEXEC},
  };
  for (const Mapping& mapping : kMappings) {
    if (mapping.windows == error) return mapping.posix;
  }
  return EIO;
}

int SetErrnoFrom(DWORD error) {
  errno = ErrnoOf(error);
  return errno;
}

int SetErrnoFromLastError() {
  return SetErrnoFrom(::GetLastError());
}

int SetErrnoOfPath(const std::wstring& path, DWORD error) {
  if (error == ERROR_ACCESS_DENIED) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      errno = EISDIR;
      return errno;
    }
  } else if (error == ERROR_PATH_NOT_FOUND) {
    // The nearest existing ancestor decides: a file there ends the path.
    std::wstring ancestor = path;
    for (;;) {
      const size_t separator = ancestor.find_last_of(L"\\/");
      if (separator == std::wstring::npos || separator == 0) break;
      ancestor.resize(separator);
      if (ancestor.back() == L':') break;  // a drive's root
      const DWORD attributes = ::GetFileAttributesW(ancestor.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES) continue;
      if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        errno = ENOTDIR;
        return errno;
      }
      break;
    }
  }
  return SetErrnoFrom(error);
}

std::string SystemMessage(DWORD error) {
  char* buffer = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = length > 0 && buffer != nullptr ? std::string(buffer, length)
                                                     : "error " + std::to_string(error);
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

HANDLE HandleOf(int fd) {
  const intptr_t handle = ::_get_osfhandle(fd);
  if (handle == -1) errno = EBADF;
  return reinterpret_cast<HANDLE>(handle);
}

long long UnixNanoseconds(const FILETIME& time) {
  // 100-ns intervals from 1601-01-01 to 1970-01-01.
  constexpr long long kEpochDifference = 116444736000000000LL;
  const long long ticks = (static_cast<long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return (ticks - kEpochDifference) * 100;
}

}  // namespace zeph::platform::windows
