#include "platform/file_lock.h"

#include <cerrno>
#include <cwctype>

#include "platform/windows/windows_support.h"

namespace zeph::platform {

// One byte far past any real data is locked: Windows locks are mandatory,
// and a lock on the content would also stop an operator's editor or viewer
// from reading the file while a block is appended.
int TryLockFile(int fd) {
  HANDLE handle = windows::HandleOf(fd);
  if (handle == INVALID_HANDLE_VALUE) return errno;
  OVERLAPPED at{};
  at.Offset = 0;
  at.OffsetHigh = 0x7FFFFFFF;
  if (::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    return 0;
  }
  const DWORD error = ::GetLastError();
  return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? EWOULDBLOCK
                                                                    : windows::ErrnoOf(error);
}

// A directory has no content to lock on Windows: the lock is a named mutex
// of the system, one per directory (its full path, case folded), which the
// system releases when the process holding it ends, however it ends.
int DirectoryLock::TryAcquire(const std::string& directory) {
  if (Held()) return 0;
  const std::wstring wide = windows::Wide(directory);
  std::wstring full(32768, L'\0');
  const DWORD length =
      ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) return windows::SetErrnoFromLastError();
  full.resize(length);
  while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  if (::GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return windows::SetErrnoFromLastError();
  }
  // Names of kernel objects may not hold '\'; a hash of the path keeps the
  // name short and the same for every spelling of the directory.
  unsigned long long hash = 14695981039346656037ULL;
  for (wchar_t c : full) {
    if (c == L'/') c = L'\\';
    hash = (hash ^ static_cast<unsigned long long>(std::towupper(c))) * 1099511628211ULL;
  }
  wchar_t name[64];
  ::swprintf(name, 64, L"Global\\zephautomat-installation-%016llx", hash);
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name);
  if (mutex == nullptr) return windows::SetErrnoFromLastError();
  const DWORD waited = ::WaitForSingleObject(mutex, 0);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {  // abandoned: its run died
    handle_ = reinterpret_cast<intptr_t>(mutex);
    return 0;
  }
  ::CloseHandle(mutex);
  return waited == WAIT_TIMEOUT ? EWOULDBLOCK : windows::SetErrnoFromLastError();
}

// The mutex belongs to the thread that took it: release it there.
void DirectoryLock::Release() {
  if (!Held()) return;
  HANDLE mutex = reinterpret_cast<HANDLE>(handle_);
  ::ReleaseMutex(mutex);
  ::CloseHandle(mutex);
  handle_ = -1;
}

bool DirectoryLock::Held() const {
  return handle_ != -1;
}

DirectoryLock::~DirectoryLock() {
  Release();
}

}  // namespace zeph::platform
