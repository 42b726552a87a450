// Whether the current account may access a file, asked of the file's
// security descriptor with the account's own token (groups and deny
// entries count), and of the read-only attribute for writes.
#pragma once

#include <string>

#include "platform/windows/windows_support.h"

namespace zeph::platform::windows {

// True when every right in `access` (FILE_GENERIC_READ, FILE_GENERIC_WRITE,
// ...) is granted; false with errno set (EACCES when denied).
bool MayAccess(const std::string& path, DWORD access);

}  // namespace zeph::platform::windows
