// What Windows does and Wine does not: the unit tests of such a behaviour
// skip under Wine, with the reason, as the black-box tests' wine_gap
// marker does.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace zeph {

// Whether this Windows program runs under Wine (whose ntdll exports
// wine_get_version); false on every other system.
inline bool UnderWine() {
#ifdef _WIN32
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

// Wine 8 keeps no access list of a file: it derives one from the Unix
// mode, and turns a list it is given into a mode of its own making.
constexpr const char* kWineKeepsNoAccessList =
    "Wine keeps no access list; it derives one from the file's Unix mode";

}  // namespace zeph
