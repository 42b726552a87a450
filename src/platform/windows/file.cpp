#include "platform/file.h"

#include <aclapi.h>
#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <optional>
#include <vector>

#include "platform/tool_output.h"
#include "platform/windows/windows_support.h"

namespace zeph::platform {
namespace {

using windows::HandleOf;
using windows::SetErrnoFromLastError;
using windows::Wide;

// A DACL that lets only the current user in, for a file whose mode gives
// nobody else access (the temporary file of a rewrite holds passwords).
class OwnerOnlyAccess {
 public:
  OwnerOnlyAccess() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    user_.resize(size);
    const bool known = ::GetTokenInformation(token, TokenUser, user_.data(), size, &size) != 0;
    ::CloseHandle(token);
    if (!known) return;
    PSID sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
    acl_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(sid));
    ACL* acl = reinterpret_cast<ACL*>(acl_.data());
    if (!::InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION) ||
        !::AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) ||
        !::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) ||
        !::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
      return;
    }
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = &descriptor_;
    attributes_.bInheritHandle = FALSE;
    ready_ = true;
  }
  // It points into itself.
  OwnerOnlyAccess(const OwnerOnlyAccess&) = delete;
  OwnerOnlyAccess& operator=(const OwnerOnlyAccess&) = delete;
  // Null (the directory's inherited access) when the DACL could not be made.
  SECURITY_ATTRIBUTES* Get() { return ready_ ? &attributes_ : nullptr; }

 private:
  std::vector<char> user_;
  std::vector<char> acl_;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool ready_ = false;
};

DWORD Disposition(unsigned flags) {
  if ((flags & kCreate) && (flags & kExclusive)) return CREATE_NEW;
  if ((flags & kCreate) && (flags & kTruncate)) return CREATE_ALWAYS;
  if (flags & kCreate) return OPEN_ALWAYS;
  if (flags & kTruncate) return TRUNCATE_EXISTING;
  return OPEN_EXISTING;
}

// Whether each descriptor was opened with kAppend. The C runtime knows it
// too, but its write is not used (WriteSome) and it does not tell.
constexpr int kMostDescriptors = 8192;

std::atomic<bool>& Appending(int fd) {
  static std::atomic<bool> appending[kMostDescriptors];
  static std::atomic<bool> never{false};
  return fd >= 0 && fd < kMostDescriptors ? appending[fd] : never;
}

}  // namespace

int OpenFile(const std::string& path, unsigned flags, unsigned mode) {
  DWORD access = 0;
  if (flags & kRead) access |= GENERIC_READ;
  if (flags & kWrite) {
    // With kAppend every write goes to the end of the file (WriteSome); the
    // writers of a shared file hold its lock meanwhile (TryLockFile).
    access |= GENERIC_WRITE;
    // The rewrite gives its temporary file the original's access list.
    if (flags & kExclusive) access |= WRITE_DAC | READ_CONTROL;
  }
  // Open files may be renamed over and removed, as on POSIX systems.
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  if (flags & kNoFollow) attributes |= FILE_FLAG_OPEN_REPARSE_POINT;
  // Built only for a file that is created for its owner alone: the token
  // is not asked at every open.
  std::optional<OwnerOnlyAccess> owner_only;
  if ((flags & kCreate) && (mode & 077) == 0) owner_only.emplace();
  SECURITY_ATTRIBUTES* security = owner_only ? owner_only->Get() : nullptr;
  const std::wstring wide = Wide(path);
  HANDLE handle =
      ::CreateFileW(wide.c_str(), access, share, security, Disposition(flags), attributes, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    windows::SetErrnoOfPath(wide, ::GetLastError());
    return -1;
  }
  int crt_flags = _O_BINARY | _O_NOINHERIT;
  if ((flags & kRead) && !(flags & kWrite)) crt_flags |= _O_RDONLY;
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), crt_flags);
  if (fd < 0) {
    ::CloseHandle(handle);
    errno = EMFILE;
    return -1;
  }
  if ((flags & kAppend) && fd >= kMostDescriptors) {
    ::_close(fd);
    errno = EMFILE;
    return -1;
  }
  Appending(fd) = (flags & kAppend) != 0;
  return fd;
}

bool CloseFile(int fd) {
  Appending(fd) = false;
  return ::_close(fd) == 0;
}

int64_t ReadSome(int fd, void* buffer, size_t size) {
  const unsigned count = size > INT_MAX ? INT_MAX : static_cast<unsigned>(size);
  return ::_read(fd, buffer, count);
}

int64_t WriteSome(int fd, const void* bytes, size_t size) {
  // Straight to the system: Wine's C runtime turns a short write (a disk
  // that fills up) into a failure with EINVAL and loses its count.
  HANDLE handle = HandleOf(fd);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  OVERLAPPED end{};  // this offset writes at the end, in the same call
  end.Offset = 0xFFFFFFFF;
  end.OffsetHigh = 0xFFFFFFFF;
  const DWORD count = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
  DWORD written = 0;
  if (!::WriteFile(handle, bytes, count, &written, Appending(fd) ? &end : nullptr)) {
    SetErrnoFromLastError();
    return -1;
  }
  if (written == 0 && count > 0) {  // nothing taken, no reason given
    errno = ENOSPC;
    return -1;
  }
  return written;
}

int64_t ReadAt(int fd, void* buffer, size_t size, int64_t offset) {
  HANDLE handle = HandleOf(fd);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  const DWORD count = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
  if (!::ReadFile(handle, buffer, count, &got, &at)) {
    if (::GetLastError() == ERROR_HANDLE_EOF) return 0;
    SetErrnoFromLastError();
    return -1;
  }
  return got;
}

int64_t WriteGathered(int fd, const Piece* pieces, size_t count) {
  int64_t total = 0;
  for (size_t i = 0; i < count; ++i) {
    const int64_t n = WriteSome(fd, pieces[i].data, pieces[i].size);
    if (n < 0) return total > 0 ? total : -1;
    total += n;
    if (static_cast<size_t>(n) < pieces[i].size) break;
  }
  return total;
}

size_t MaxGatheredPieces() {
  return 1024;
}

bool TruncateFile(int fd, int64_t size) {
  // A file that has the size already is left alone: Wine sets a file's end
  // at or past its length by writing there, which a full disk refuses, and
  // a write that failed on a full disk is cut back to the size it left.
  HANDLE handle = HandleOf(fd);
  if (handle == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER length{};
  if (::GetFileSizeEx(handle, &length) && length.QuadPart == size) return true;
  errno = ::_chsize_s(fd, size);
  return errno == 0;
}

bool SyncFile(int fd) {
  HANDLE handle = HandleOf(fd);
  if (handle == INVALID_HANDLE_VALUE) return false;
  if (::FlushFileBuffers(handle)) return true;
  SetErrnoFromLastError();
  return false;
}

namespace {

// The standard descriptors in binary mode: the C runtime would otherwise
// turn each LF into CR LF and stop reading at Ctrl-Z.
int Binary(int fd) {
  UseBinaryStandardStreams();
  return fd;
}

bool InfoOfHandle(HANDLE handle, FileInfo& info) {
  BY_HANDLE_FILE_INFORMATION about{};
  if (!::GetFileInformationByHandle(handle, &about)) {
    SetErrnoFromLastError();
    return false;
  }
  FILE_BASIC_INFO basic{};
  const bool have_basic =
      ::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) != 0;
  info = FileInfo{};
  if (about.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    info.kind = FileKind::kSymlink;
  } else if (about.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    info.kind = FileKind::kDirectory;
  } else {
    info.kind = ::GetFileType(handle) == FILE_TYPE_DISK ? FileKind::kRegular : FileKind::kOther;
  }
  info.size = (static_cast<int64_t>(about.nFileSizeHigh) << 32) | about.nFileSizeLow;
  info.device = about.dwVolumeSerialNumber;
  info.id = (static_cast<uint64_t>(about.nFileIndexHigh) << 32) | about.nFileIndexLow;
  info.modified_ns = windows::UnixNanoseconds(about.ftLastWriteTime);
  if (have_basic) {
    FILETIME changed{static_cast<DWORD>(basic.ChangeTime.QuadPart & 0xFFFFFFFF),
                     static_cast<DWORD>(basic.ChangeTime.QuadPart >> 32)};
    info.changed_ns = windows::UnixNanoseconds(changed);
  } else {
    info.changed_ns = info.modified_ns;
  }
  // The read-only attribute is the one permission bit a file carries itself.
  const bool read_only = (about.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  info.mode = info.kind == FileKind::kDirectory ? 0755 : (read_only ? 0444 : 0644);
  info.links = about.nNumberOfLinks;
  return true;
}

bool InfoOfPath(const std::string& path, bool follow, FileInfo& info) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;  // directories too
  if (!follow) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  HANDLE handle = ::CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    SetErrnoFromLastError();
    return false;
  }
  const bool ok = InfoOfHandle(handle, info);
  ::CloseHandle(handle);
  return ok;
}

}  // namespace

int StandardOutput() {
  return Binary(1);
}

int StandardError() {
  return Binary(2);
}

bool StatPath(const std::string& path, FileInfo& info) {
  return InfoOfPath(path, true, info);
}

bool StatLink(const std::string& path, FileInfo& info) {
  return InfoOfPath(path, false, info);
}

bool StatFile(int fd, FileInfo& info) {
  HANDLE handle = HandleOf(fd);
  return handle != INVALID_HANDLE_VALUE && InfoOfHandle(handle, info);
}

}  // namespace zeph::platform
