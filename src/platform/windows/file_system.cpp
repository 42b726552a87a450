#include "platform/file_system.h"

#include <cerrno>
#include <string>

#include "platform/windows/access_check.h"
#include "platform/windows/windows_support.h"

namespace zeph::platform {

using windows::Narrow;
using windows::SetErrnoFromLastError;
using windows::Wide;

bool IsPathSeparator(char c) {
  return c == '/' || c == '\\';
}

bool MakeDirectory(const std::string& path) {
  const std::wstring wide = Wide(path);
  if (::CreateDirectoryW(wide.c_str(), nullptr)) return true;
  windows::SetErrnoOfPath(wide, ::GetLastError());
  return false;
}

bool RemoveFile(const std::string& path) {
  if (::DeleteFileW(Wide(path).c_str())) return true;
  SetErrnoFromLastError();
  return false;
}

std::string MakeTemporaryDirectory(const std::string& pattern) {
  const size_t x = pattern.rfind("XXXXXX");
  if (x == std::string::npos) {
    errno = EINVAL;
    return {};
  }
  // Names from the process id and the tick count; a taken one is skipped.
  unsigned seed = ::GetCurrentProcessId() * 2654435761u ^ ::GetTickCount();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = pattern;
    unsigned value = seed + static_cast<unsigned>(attempt) * 7919u;
    for (size_t i = 0; i < 6; ++i) {
      name[x + i] = "abcdefghijklmnopqrstuvwxyz0123456789"[value % 36];
      value /= 36;
    }
    if (::CreateDirectoryW(Wide(name).c_str(), nullptr)) return name;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  SetErrnoFromLastError();
  return {};
}

bool ListDirectory(const std::string& directory, std::vector<std::string>& names) {
  names.clear();
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(Wide(directory + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    if (::GetLastError() == ERROR_FILE_NOT_FOUND) return true;  // empty
    SetErrnoFromLastError();
    return false;
  }
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(Narrow(name));
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return true;
}

// Links on Windows are reparse points the system follows itself; the
// program writes through them as through any path.
bool ReadSymbolicLink(const std::string&, std::string&) {
  errno = EINVAL;
  return false;
}

bool IsAbsolutePath(const std::string& path) {
  if (!path.empty() && IsPathSeparator(path[0])) return true;  // \dir, \\server\share
  return path.size() >= 3 && path[1] == ':' && IsPathSeparator(path[2]);
}

bool ReplaceByRename(const std::string& from, const std::string& to) {
  if (::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  SetErrnoFromLastError();
  return false;
}

bool SyncDirectoryOf(const std::string&) {
  return true;  // MOVEFILE_WRITE_THROUGH made the rename durable
}

bool CanRead(const std::string& path) {
  return windows::MayAccess(path, FILE_GENERIC_READ);
}

bool CanWrite(const std::string& path) {
  return windows::MayAccess(path, FILE_GENERIC_WRITE);
}

std::string ResolvedPath(const std::string& path) {
  const std::wstring wide = Wide(path);
  const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  std::wstring full(size, L'\0');
  const DWORD length = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (size == 0 || length == 0 || length >= size) {
    SetErrnoFromLastError();
    return {};
  }
  full.resize(length);
  if (::GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES) {
    SetErrnoFromLastError();
    return {};
  }
  return Narrow(full);
}

const char* ExecutableSuffix() {
  return ".exe";
}

std::string ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return Narrow(path);
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace zeph::platform
