// Shared libraries loaded at run time (.so, .dll): the host's component
// libraries and libcurl. A library stays loaded for the life of the process.
#pragma once

#include <string>
#include <vector>

namespace zeph::platform {

// Loads the library at `path` (a bare name is looked up where the system
// looks for libraries; on Windows the executable's directory first).
// Returns its handle, or null with the system's reason in `error`.
void* LoadLibraryFile(const std::string& path, std::string& error);
// The address of `name` in `library`; null with the reason in `error`.
void* FindSymbol(void* library, const char* name, std::string& error);

// The names libcurl's library goes by on this system, in the order tried.
// Debian builds it with OpenSSL, GnuTLS or NSS; a Windows build is named
// libcurl-4.dll (curl's own build) or libcurl.dll.
std::vector<std::string> CurlLibraryNames();

}  // namespace zeph::platform
